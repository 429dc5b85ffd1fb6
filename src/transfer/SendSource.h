// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A file's bytes as they go on the line, read from the disk as the line takes them, so memory does
// not grow with the file. Each line ends in one LF: a line ends at CR or CR LF, which is not part of
// it, or at the end of the file; a lone LF is part of its line and goes unchanged.
class SendSource final {
public:
    // "" when open, else the platform's words. The descriptor is the file's from now on: a file
    // replaced on disk meanwhile does not mix two versions.
    QString open(const QString &path);
    void close();

    qint64 size() const { return m_size; }
    // Bytes of the file handed on so far, for the progress shown.
    qint64 consumed() const;
    // Everything has been handed on.
    bool atEnd() const { return m_fileDone && m_at == m_out.size(); }
    // Up to max bytes to send next; empty at the end or when the read failed (error() then says why).
    QByteArray next(qint64 max);
    QString error() const { return m_error; }

private:
    void fill();

    QFile m_file;
    qint64 m_size = 0;
    QByteArray m_out; // converted, from m_at on not yet handed on
    qsizetype m_at = 0;
    QString m_error;
    bool m_fileDone = false;
    bool m_afterCr = false;  // an LF now completes a CR LF
    bool m_lineOpen = false; // the last line has bytes and no end yet
};
