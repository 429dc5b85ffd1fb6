// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// What a file or folder is, whatever path reaches it: two paths to one folder, through a link or
// after it was renamed, give the same identity. On Unix its device and inode; elsewhere, where an
// open file's folder cannot be renamed anyway, its canonical path.
class FileIdentity final {
public:
    FileIdentity() = default; // none

    // Follows links; none when nothing is there. path may hold bytes that are not UTF-8 (NativeName).
    static FileIdentity of(const QString &path);
#if defined(Q_OS_UNIX)
    static FileIdentity ofDescriptor(int fd);
#endif

    bool isValid() const
    {
        return !m_key.isEmpty();
    }
    bool operator==(const FileIdentity &) const = default;

private:
    explicit FileIdentity(QByteArray key) : m_key(std::move(key)) {}

    QByteArray m_key;
};
