// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/print/PrintSurface.h"

#include <QFont>

#include <memory>

class QFontMetricsF;
class QPainter;
class QPrinter;

// Prints on the platform's default printer, looked up at each command. Without one (or when told to),
// each job becomes a PDF file named after the printed file in pdfFolder, by default the user's documents
// folder, so no listing is lost.
// Qt draws fonts at the wrong size on a painter scaled to millimetres: it draws in device pixels.
class QtPrintSurface final : public PrintSurface {
public:
    enum class Target { DefaultPrinter, Pdf };
    explicit QtPrintSurface(Target target = Target::DefaultPrinter, const QString &pdfFolder = {});
    ~QtPrintSurface() override;

    void prepare(bool landscape, const QString &family, int points) override;
    QSizeF printableSize() const override;
    double textWidth(const QString &text) const override;
    double textHeight(const QString &text) const override;
    bool beginDocument(const QString &name) override;
    void drawText(double x, double y, const QString &text) override;
    void drawLine(double x1, double y1, double x2, double y2, int penPixels) override;
    void newPage() override;
    bool endDocument() override;
    QString pdfFile() const override { return m_pdfFile; }
    QString errorString() const override { return m_error; }

private:
    double toDevice(double millimetres) const;
    double toMillimetres(double pixels) const;
    QString freePdfName(const QString &name) const;

    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    std::unique_ptr<QFontMetricsF> m_metrics;
    QFont m_font;
    Target m_target;
    QString m_pdfFolder;
    QString m_pdfFile;
    QString m_error;
};
