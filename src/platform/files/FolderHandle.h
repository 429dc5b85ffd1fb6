// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/files/FileIdentity.h"
#include "platform/text/Outcome.h"

#include <QString>

class QFile;

// A folder held by what it is rather than by its path: files made, renamed and removed through it
// stay in that folder when it, or a folder above it, is renamed meanwhile. Names may hold bytes that
// are not UTF-8 (NativeName). Each operation's Outcome carries the platform's words for a failure.
class FolderHandle final {
public:
    FolderHandle() = default;
    ~FolderHandle() { close(); }
    FolderHandle(const FolderHandle &) = delete;
    FolderHandle &operator=(const FolderHandle &) = delete;

    Outcome open(const QString &path);
    void close();
    // Where the folder is now: its new path after a rename, where the platform tells it.
    QString path() const;
    FileIdentity identity() const { return m_identity; }

    // Makes name, which must not exist yet, and opens it into file for writing.
    Outcome create(QFile &file, const QString &name) const;
    // Gives from's file the name to, in place of what to held, and the permission bits to had.
    Outcome replace(const QString &from, const QString &to) const;
    // Gives name's file the name aside as well, so that replacing name leaves what it held there;
    // where the file system has no second names, name moves to aside. Never in place of a file.
    // *error: the failure's error number, EEXIST when aside was taken, ENOENT when name was not there.
    Outcome keepAside(const QString &name, const QString &aside, int *error) const;
    Outcome remove(const QString &name) const;
    // When anything in the folder last came, went or was renamed, in ns; 0 when it cannot be told. Who
    // keeps its names looks here rather than reading them again.
    qint64 changed() const;

private:
    QString m_path;
    FileIdentity m_identity;
    int m_fd = -1;
};
