// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

#include <optional>

class QFile;
#if defined(Q_OS_UNIX)
struct stat;
#endif

// How a file stands: which file it is (its device and inode) and its size and modification time to the
// nanosecond. A file written over in place, cut short, grown or replaced no longer has its old stamp.
class FileStamp final {
public:
    // The file path leads to now, links followed; none when it cannot be had, *error then says why (errno).
    static std::optional<FileStamp> of(const QString &path, int *error);
    // The file an open file is, whatever its path leads to now.
    static std::optional<FileStamp> of(const QFile &file, int *error);

    qint64 size() const { return m_size; }
    bool operator==(const FileStamp &) const = default;

private:
#if defined(Q_OS_UNIX)
    static std::optional<FileStamp> from(int result, const struct stat &info, int *error);
#endif

    quint64 m_device = 0;
    quint64 m_inode = 0;
    qint64 m_size = 0;
    qint64 m_modifiedS = 0;
    qint64 m_modifiedNs = 0;
};
