// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/PrintOptions.h"

#include <QDate>
#include <QHash>
#include <QString>

class PrintSurface;

// Lays listings out on a print surface: the page header, the rule and the file's text wrapped to one
// or two columns, page after page. Lengths are millimetres.
class ListingPrinter final {
public:
    ListingPrinter(const PrintOptions &options, PrintSurface &surface);

    // Sets the surface up and works out the page once for the whole command. Returns why nothing
    // can be printed with these settings (the loop would never advance), or "" when it can.
    QString PreparePrinter();

    // Page 1 of a new file: its header.
    void startFile(const QString &name, const QString &headerDate);
    void PrintPageHeader();
    // The file's text from the first body line on, beginning a new page (and header) when one is full.
    void PrintListingBody(const QString &text);

    // "印刷日 yyyy.mm.dd", "更新日 yyyy.mm.dd" or "" as the options ask.
    static QString headerDate(PrintOptions::HeaderDate printDate, QDate today, QDate modified);

    // The layout the page came to, for checks that follow every line onto it.
    double lineHeight() const { return m_h; }
    double columnWidth() const { return m_w; }
    double columnStart(int column) const { return m_x[column - 1]; }
    int page() const { return m_page; }

private:
    void makeRoom();
    qsizetype fittingLength(QStringView rest);
    bool fits(QStringView rest, qsizetype length) const;
    double characterWidth(QChar c);

    const PrintOptions m_options; // as they stand when the command starts
    PrintSurface &m_surface;
    int m_left = 0;
    double m_h = 0;       // line height, rounded
    double m_advance = 0; // one line of the font
    int m_n = 0;          // lines on a page
    double m_r = 0;       // right edge
    double m_w = 0;       // column width
    double m_x[2] = {0, 0};
    bool m_twoColumns = false;
    QString m_name;
    QString m_date;
    int m_page = 0;
    int m_column = 1;
    double m_x0 = 0;
    double m_y = 0;
    QHash<char16_t, double> m_widths; // single characters, for a first guess at a wrap
};
