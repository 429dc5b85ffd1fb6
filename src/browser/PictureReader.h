// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QImage>
#include <QString>

// Reads the pictures the data pane shows: BMP, JPEG and ICO through Qt's readers, WMF and EMF
// through the metafile converter. A file that cannot be read gives a null image, never a crash.
class PictureReader final {
public:
    // The longest side a metafile is drawn at; its own size may claim anything.
    static constexpr int MaximumSide = 4096;
    // The longest a read may take: a metafile's conversion, and its file on a share.
    static constexpr int LongestMs = 12000;

    static QImage read(const QString &path);
    // The converter program beside this one.
    static QString converterPath();
};
