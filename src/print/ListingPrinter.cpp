// SPDX-License-Identifier: GPL-2.0-or-later
#include "print/ListingPrinter.h"

#include "core/TextLines.h"
#include "platform/print/PrintSurface.h"

#include <cmath>

namespace {

// Halves to the even neighbour, as every measured or entered number of the program.
double rounded(double value)
{
    return std::nearbyint(value);
}

// What the wrap keeps clear of the column's end.
constexpr double WrapAllowance = 10;

} // namespace

ListingPrinter::ListingPrinter(const PrintOptions &options, PrintSurface &surface)
    : m_options(options), m_surface(surface)
{
}

QString ListingPrinter::PreparePrinter()
{
    m_surface.prepare(m_options.PrinterOrientation == PageOrientation::Landscape, m_options.PrintFontName,
                      m_options.PrintFontSize);
    m_left = qMax(0, m_options.LeftMerge);
    m_advance = m_surface.textHeight(QStringLiteral("A"));
    m_h = rounded(m_advance);
    const QSizeF page = m_surface.printableSize();
    m_n = m_h >= 1 ? int(std::floor(page.height() / m_h)) : 0;
    m_r = rounded(page.width() - qMax(0, m_options.RightMerge));
    m_twoColumns = m_options.PrintLineNo == PrintOptions::Columns::Two;
    if (m_twoColumns) {
        m_w = rounded((m_r - m_left) / 2 - 1);
        m_x[0] = m_left;
        m_x[1] = rounded(m_r / 2 + m_left + 1);
    } else {
        m_w = m_r - m_left;
        m_x[0] = m_x[1] = m_left;
    }
    if (m_h < 1)
        return QStringLiteral("フォントが小さすぎるため印刷が出来ません。");
    // The first body line sits at 4 h and a column is full below (n - 1) h.
    if (m_n - 1 < 4)
        return QStringLiteral("フォントが大きすぎるため印刷が出来ません。");
    if (m_surface.textWidth(QStringLiteral("W")) + WrapAllowance > m_w)
        return QStringLiteral("余白が広すぎるため印刷が出来ません。");
    return {};
}

QString ListingPrinter::headerDate(PrintOptions::HeaderDate printDate, QDate today, QDate modified)
{
    const QString format = QStringLiteral("yyyy.MM.dd");
    if (printDate == PrintOptions::HeaderDate::Printed)
        return QStringLiteral("印刷日 ") + today.toString(format);
    if (printDate == PrintOptions::HeaderDate::Modified)
        return QStringLiteral("更新日 ") + modified.toString(format);
    return {};
}

void ListingPrinter::startFile(const QString &name, const QString &headerDate)
{
    m_name = name;
    m_date = headerDate;
    m_page = 1;
    PrintPageHeader();
}

void ListingPrinter::PrintPageHeader()
{
    if (!m_date.isEmpty())
        m_surface.drawText(m_left, m_h, m_date);
    m_surface.drawText((m_r - m_surface.textWidth(m_name)) / 2 + m_left, m_h, m_name);
    const QString number = QStringLiteral("Page ") + QString::number(m_page);
    m_surface.drawText(m_r - m_surface.textWidth(number), m_h, number);
    m_surface.drawLine(m_left, 2.2 * m_h, m_r, 2.2 * m_h, 3);
}

// Every line, the last one too, is wrapped to the column and tested against the page, so nothing
// runs off the paper; the empty rest after a final line break prints nothing.
void ListingPrinter::PrintListingBody(const QString &text)
{
    m_y = 4 * m_h;
    m_column = 1;
    m_x0 = m_x[0];
    QStringList lines = TextLines::split(text);
    if (lines.constLast().isEmpty())
        lines.removeLast();
    for (const QString &line : std::as_const(lines)) {
        QStringView rest = line;
        do {
            makeRoom();
            const qsizetype length = fittingLength(rest);
            m_surface.drawText(m_x0, m_y, rest.first(length).toString());
            m_y += m_advance;
            rest = rest.sliced(length);
        } while (!rest.isEmpty());
    }
}

void ListingPrinter::makeRoom()
{
    const double full = (m_n - 1) * m_h;
    if (m_twoColumns && m_y > full && m_column == 1) {
        m_column = 2;
        m_x0 = m_x[1];
        m_y = 4 * m_h;
    }
    if (m_y > full) {
        m_surface.newPage();
        ++m_page;
        PrintPageHeader();
        m_y = 4 * m_h;
        m_column = 1;
        m_x0 = m_x[0];
    }
}

bool ListingPrinter::fits(QStringView rest, qsizetype length) const
{
    return m_surface.textWidth(rest.first(length).toString()) + WrapAllowance <= m_w;
}

// The longest start of the line that fits the column: the wrap that measuring every growing start
// would find, but found from a guess by single-character widths and corrected by a few measurements,
// so a long line costs time in proportion to its length. At least one character goes on each line.
qsizetype ListingPrinter::fittingLength(QStringView rest)
{
    const qsizetype size = rest.size();
    qsizetype guess = 0;
    for (double width = WrapAllowance; guess < size; ++guess) {
        width += characterWidth(rest[guess]);
        if (width > m_w)
            break;
    }
    qsizetype low = 0;         // fits (or nothing)
    qsizetype high = size + 1; // does not fit
    if (guess > 0 && !fits(rest, guess)) {
        high = guess;
        for (qsizetype step = 1; low < high - 1; step *= 2) {
            const qsizetype probe = qMax<qsizetype>(0, guess - step);
            if (probe == 0 || fits(rest, probe)) {
                low = probe;
                break;
            }
            high = probe;
        }
    } else {
        low = guess;
        for (qsizetype step = 1; guess + step <= size; step *= 2) {
            if (!fits(rest, guess + step)) {
                high = guess + step;
                break;
            }
            low = guess + step;
        }
    }
    while (high - low > 1) {
        const qsizetype middle = low + (high - low) / 2;
        if (middle <= size && fits(rest, middle))
            low = middle;
        else
            high = middle;
    }
    qsizetype length = low;
    if (length > 0 && length < size && rest[length - 1].isHighSurrogate())
        --length;
    if (length == 0)
        length = size > 1 && rest[0].isHighSurrogate() ? 2 : qMin<qsizetype>(1, size);
    return length;
}

double ListingPrinter::characterWidth(QChar c)
{
    auto known = m_widths.constFind(c.unicode());
    if (known == m_widths.cend())
        known = m_widths.insert(c.unicode(), m_surface.textWidth(QString(c)));
    return *known;
}
