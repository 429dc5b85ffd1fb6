// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QRect>

// Small metafiles written byte by byte: a white ground with one solid red rectangle.
namespace Metafiles {

// A placeable WMF: 2880 x 1440 logical units at 1440 a inch, the rectangle in logical units.
QByteArray wmf(const QRect &rectangle);
// An EMF for a 200 x 100 pixel frame, the rectangle in pixels.
QByteArray emf(const QRect &rectangle);

} // namespace Metafiles
