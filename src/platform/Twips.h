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

} // namespace Twips
