// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/AppState.h"
#include "shell/WindowPlacement.h"

#include <QStringList>

// One window's whole set of remembered values, each of them naming its writer and round, so that a
// set read back shows whether it came from one close or was pieced together from several.
namespace WriterSet {

inline void fill(int writer, int round, WindowPlacement &placement, AppState &state)
{
    const int tag = writer * 1000 + round; // fits the 16-bit print options
    placement = {float(tag), float(tag) + 0.5f, float(tag + 1), float(tag + 2)};
    state.CurrentFolder = QStringLiteral("/w%1").arg(tag);
    state.Machine.MchFileName = QStringLiteral("W%1.MCH").arg(tag);
    const auto small = [tag](int step) { return qint16(tag + step); };
    state.Print = {QStringLiteral("W%1").arg(tag), tag, small(1), tag + 2, tag + 3, small(4), small(5)};
}

inline QStringList texts(const WindowPlacement &p, const AppState &s)
{
    const PrintOptions &o = s.Print;
    QStringList values{s.CurrentFolder, s.Machine.MchFileName, o.PrintFontName};
    for (double value : {double(p.MainLeft), double(p.MainTop), double(p.MainWidth), double(p.MainHeight),
                         double(o.PrintFontSize), double(o.PrinterOrientation), double(o.LeftMerge),
                         double(o.RightMerge), double(o.PrintLineNo), double(o.PrintDate)})
        values << QString::number(value);
    return values;
}

// The writer whose whole set this is, else 0.
inline int writerOf(const WindowPlacement &p, const AppState &s)
{
    const int tag = int(p.MainLeft);
    WindowPlacement placement;
    AppState state;
    fill(tag / 1000, tag % 1000, placement, state);
    return texts(p, s) == texts(placement, state) ? tag / 1000 : 0;
}

} // namespace WriterSet
