// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>

// Turns a Windows metafile into SVG text that Qt can draw. Runs in a process of its own,
// so that a damaged or hostile file can at worst end that process, never the program.
class MetafileToSvg final {
public:
    enum class Kind { Wmf, Emf };

    // Empty when the file cannot be read as that kind of metafile.
    static QByteArray convert(const QByteArray &metafile, Kind kind);
};
