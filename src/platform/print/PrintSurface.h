// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QSizeF>
#include <QString>

// A printer page measured in millimetres from the top left corner of its printable area, y downwards.
// The program prints on the platform's default printer through it; the tests record what it is told.
class PrintSurface {
public:
    virtual ~PrintSurface() = default;

    // Readies the surface for one print command: the printer to use, whether the page lies turned,
    // and the font that measures and prints.
    virtual void prepare(bool landscape, const QString &family, int points) = 0;
    virtual QSizeF printableSize() const = 0;
    virtual double textWidth(const QString &text) const = 0;
    virtual double textHeight(const QString &text) const = 0;

    // Starts one print job named after the file; false, with errorString(), when it cannot start.
    virtual bool beginDocument(const QString &name) = 0;
    // Text whose top left corner is at (x, y).
    virtual void drawText(double x, double y, const QString &text) = 0;
    virtual void drawLine(double x1, double y1, double x2, double y2, int penPixels) = 0;
    virtual void newPage() = 0;
    // Ends the job and hands it over; false, with errorString(), when that failed.
    virtual bool endDocument() = 0;
    // The PDF file the last job went to when no printer is installed; "" when it went to a printer.
    virtual QString pdfFile() const = 0;
    virtual QString errorString() const = 0;
};
