// SPDX-License-Identifier: GPL-2.0-or-later
// Any file printed on any page the options allow: every character of every line goes on paper, in
// order, each piece within its column and above the page's foot, a pair of surrogates never split.
//
// The first six bytes choose the font size, page width and height, margins, and columns and kerning;
// the rest is the file.
#include "FuzzCheck.h"

#include "core/DisplayText.h"
#include "print/ListingPrinter.h"
#include "support/RecordingPrintSurface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 6)
        return 0;
    PrintOptions options;
    options.PrintFontSize = 1 + data[0] % 40;
    options.LeftMerge = data[3] % 64;
    options.RightMerge = data[4] % 64;
    options.PrintLineNo = data[5] & 1 ? PrintOptions::Columns::Two : PrintOptions::Columns::One;
    options.PrinterOrientation = data[5] & 2 ? PageOrientation::Landscape : PageOrientation::Portrait;
    RecordingPrintSurface surface;
    surface.page = QSizeF(20 + data[1] * 2, 20 + data[2] * 2);
    // Less than a character's width: a longer text is never narrower.
    surface.kerning = (data[5] >> 2) % 4 * 0.05 * options.PrintFontSize;
    const QString text =
        DisplayText::decode(QByteArray(reinterpret_cast<const char *>(data) + 6, qsizetype(size - 6)));

    ListingPrinter listing(options, surface);
    if (!listing.PreparePrinter().isEmpty())
        return 0;
    surface.beginDocument(QStringLiteral("O1.MIN"));
    listing.startFile(QStringLiteral("O1.MIN"), QStringLiteral("印刷日 2026.01.01"));
    listing.PrintListingBody(text);
    surface.endDocument();

    QString expected = text;
    expected.remove(u'\r');
    expected.remove(u'\n');
    const double rule = 2.2 * listing.lineHeight();
    const double foot = surface.printableSize().height();
    qsizetype printed = 0;
    for (const RecordingPrintSurface::Text &piece : surface.texts) {
        if (piece.y <= rule)
            continue; // the page header
        require(piece.y + listing.lineHeight() <= foot + 0.5, "a line stays above the page's foot");
        require(piece.x == listing.columnStart(1) || piece.x == listing.columnStart(2),
                "a line starts a column");
        if (piece.text.isEmpty())
            continue; // an empty line
        require(expected.mid(printed, piece.text.size()) == piece.text,
                "every character is printed once, in order");
        printed += piece.text.size();
        require(!piece.text.back().isHighSurrogate() || printed >= expected.size() ||
                    !expected[printed].isLowSurrogate(),
                "a surrogate pair stays whole");
        const bool single =
            piece.text.size() == 1 || (piece.text.size() == 2 && piece.text[0].isHighSurrogate());
        require(single || surface.textWidth(piece.text) + 10 <= listing.columnWidth(),
                "a piece fits its column");
    }
    require(printed == expected.size(), "every character is printed");
    require(surface.pages == listing.page(), "the page count is the pages begun");
    return 0;
}
