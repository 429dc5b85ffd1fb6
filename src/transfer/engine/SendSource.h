// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// A file's bytes as they go on the line, made from the file read in pieces, in order. Each line ends
// in one LF: a line ends at CR or CR LF, which is not part of it, or at the end of the file; a lone LF
// is part of its line and goes unchanged.
class SendSource final {
public:
    // Appends the line's form of the next piece of the file to out.
    void convert(QByteArrayView piece, QByteArray &out);
    // The file has ended: a last line without an end gets one.
    void finish(QByteArray &out);

private:
    bool m_afterCr = false;  // an LF now completes a CR LF
    bool m_lineOpen = false; // the last line has bytes and no end yet
};
