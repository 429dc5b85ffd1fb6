// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/print/QtPrintSurface.h"

#include "platform/text/SystemReason.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

#include <cerrno>

namespace {

// Qt's PDF writer keeps the reason to itself; trying the file once more finds it.
QString whyNotWritable(const QString &path)
{
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return SystemReason::of(probe);
    probe.remove();
    return {};
}

} // namespace

QtPrintSurface::QtPrintSurface(Target target, const QString &pdfFolder)
    : m_target(target), m_pdfFolder(pdfFolder)
{
    if (m_pdfFolder.isEmpty())
        m_pdfFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QtPrintSurface::~QtPrintSurface() = default;

void QtPrintSurface::prepare(bool landscape, const QString &family, int points)
{
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (m_target == Target::Pdf || QPrinterInfo::defaultPrinter().isNull()) {
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setPageSize(QPageSize(QPageSize::A4));
    }
    m_printer->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    m_font = QFont(family);
    m_font.setPointSize(qMax(1, points));
    m_metrics = std::make_unique<QFontMetricsF>(m_font, m_printer.get());
}

QSizeF QtPrintSurface::printableSize() const
{
    return m_printer->pageLayout().paintRect(QPageLayout::Millimeter).size();
}

double QtPrintSurface::textWidth(const QString &text) const
{
    return toMillimetres(m_metrics->horizontalAdvance(text));
}

double QtPrintSurface::textHeight(const QString &) const
{
    return toMillimetres(m_metrics->height());
}

bool QtPrintSurface::beginDocument(const QString &name)
{
    m_pdfFile.clear();
    m_printer->setDocName(name);
    if (m_printer->outputFormat() == QPrinter::PdfFormat) {
        if (!QDir().mkpath(m_pdfFolder)) {
            m_error =
                QStringLiteral("フォルダー'%1'を作成出来ません。").arg(m_pdfFolder) + SystemReason::of(errno);
            return false;
        }
        m_pdfFile = freePdfName(name);
        m_printer->setOutputFileName(m_pdfFile);
    }
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_printer.get())) {
        m_painter.reset();
        m_error = m_pdfFile.isEmpty()
                      ? QStringLiteral("プリンターが印刷を受け付けません。")
                      : QStringLiteral("'%1'に書き込めません。").arg(m_pdfFile) + whyNotWritable(m_pdfFile);
        return false;
    }
    m_painter->setFont(m_font);
    return true;
}

void QtPrintSurface::drawText(double x, double y, const QString &text)
{
    m_painter->drawText(QPointF(toDevice(x), toDevice(y) + m_metrics->ascent()), text);
}

void QtPrintSurface::drawLine(double x1, double y1, double x2, double y2, int penPixels)
{
    m_painter->setPen(QPen(Qt::black, penPixels));
    m_painter->drawLine(QPointF(toDevice(x1), toDevice(y1)), QPointF(toDevice(x2), toDevice(y2)));
}

void QtPrintSurface::newPage()
{
    m_printer->newPage();
}

bool QtPrintSurface::endDocument()
{
    const bool ended = m_painter && m_painter->end();
    m_painter.reset();
    if (!ended)
        m_error = QStringLiteral("印刷の終了に失敗しました。");
    return ended;
}

double QtPrintSurface::toDevice(double millimetres) const
{
    return millimetres * m_printer->resolution() / 25.4;
}

double QtPrintSurface::toMillimetres(double pixels) const
{
    return pixels * 25.4 / m_printer->resolution();
}

// An earlier listing of the same file is kept: the new one gets a number.
QString QtPrintSurface::freePdfName(const QString &name) const
{
    const QDir folder(m_pdfFolder);
    QString candidate = folder.filePath(name + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = folder.filePath(QStringLiteral("%1 (%2).pdf").arg(name).arg(n));
    return candidate;
}
