// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/PageOrientation.h"
#include "platform/print/PrintSurface.h"

#include <QList>
#include <QStringList>

// Records what is printed, with fixed font metrics: a character is 0.2 mm a point wide (twice that
// from the CJK blocks on), a line 0.4 mm a point high; "AV" kerns by kerning.
class RecordingPrintSurface final : public PrintSurface {
public:
    struct Text {
        int page;
        double x;
        double y;
        QString text;
        bool operator==(const Text &) const = default;
    };
    struct Line {
        int page;
        double x1, y1, x2, y2;
        int pen;
        bool operator==(const Line &) const = default;
    };

    void prepare(bool landscape, const QString &family, int size) override
    {
        orientation = int(landscape ? PageOrientation::Landscape : PageOrientation::Portrait);
        font = family;
        points = size;
    }
    QSizeF printableSize() const override { return orientation == 2 ? page.transposed() : page; }
    double textWidth(const QString &text) const override
    {
        measured += text.size();
        double width = 0;
        for (const QChar c : text)
            width += points * (c.unicode() >= 0x2E80 ? 0.4 : 0.2);
        return width - kerning * text.count(QStringLiteral("AV"));
    }
    double textHeight(const QString &) const override { return points * 0.4; }
    bool beginDocument(const QString &name) override
    {
        if (refuseBegin)
            return false;
        documents.append(name);
        pages = 1;
        return true;
    }
    void drawText(double x, double y, const QString &text) override { texts.append({pages, x, y, text}); }
    void drawLine(double x1, double y1, double x2, double y2, int pen) override
    {
        lines.append({pages, x1, y1, x2, y2, pen});
    }
    void newPage() override { ++pages; }
    bool endDocument() override
    {
        ended.append(pages);
        return true;
    }
    QString pdfFile() const override { return pdf; }
    QString errorString() const override { return QStringLiteral("no paper"); }

    // The body lines of one page: texts below the rule.
    QStringList body(int onPage) const
    {
        QStringList found;
        for (const Text &text : texts)
            if (text.page == onPage && text.y > lines.value(0).y1)
                found.append(text.text);
        return found;
    }

    QSizeF page{200, 280};
    double kerning = 0;
    bool refuseBegin = false;
    QString pdf;

    int orientation = 0;
    QString font;
    int points = 0;
    QStringList documents;
    QList<int> ended; // the page count of each ended job
    QList<Text> texts;
    QList<Line> lines;
    int pages = 0;
    mutable qint64 measured = 0; // characters measured
};
