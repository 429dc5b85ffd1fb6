// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QtMath>

// Window geometry is kept in twips; Qt works in device-independent pixels.
namespace Twips {

constexpr double PerPixel = 15.0;

inline double fromPixels(double pixels)
{
    return pixels * PerPixel;
}
inline int toPixels(double twips)
{
    return qRound(twips / PerPixel);
}

// The pixel size of the 9-point font at 96 dots per inch that widths of text columns were set for.
constexpr int ReferenceFontPixels = 12;

// A width set for text in that font, for text in a font of this pixel size.
inline int toPixels(double twips, int fontPixels)
{
    return qRound(twips / PerPixel * fontPixels / ReferenceFontPixels);
}

} // namespace Twips
