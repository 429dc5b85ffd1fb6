// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/text/Outcome.h"

#include <QDateTime>
#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <optional>

class QFile;

// File operations on paths whose file name may carry bytes that are not UTF-8 (NativeName). Qt's own
// classes re-encode such a name and reach no file, or the wrong one. Each operation's Outcome carries
// the system's reason for a failure (SystemReason).
class NativeFile final {
public:
    struct Status {
        bool isFile = false;
        bool isFolder = false;
        qint64 size = 0;
        QDateTime modified;                   // UTC on Unix
        QFileDevice::Permissions permissions; // the mode bits alone, never what this process may do
    };

    // The names in folder other than "." and "..", in the order the file system gives them.
    static QStringList entries(const QString &folder);
    // The names of the plain files in folder (links followed), without a look at each file where the
    // file system tells the kind of entry as it lists them.
    static QStringList fileNames(const QString &folder);
    // The names of the visible subfolders of folder (links followed), in no particular order.
    static QStringList folderNames(const QString &folder);
    // Whether this process may make folder its working directory.
    static bool mayEnter(const QString &folder);
    // Follows links, as opening the file would.
    static std::optional<Status> status(const QString &path);
    // Opens file on path; file keeps no name, so use the path for messages.
    static Outcome open(QFile &file, const QString &path, QIODevice::OpenMode mode);
    static Outcome rename(const QString &from, const QString &to);
    static Outcome remove(const QString &path);
    static Outcome makeFolder(const QString &path);
    static Outcome removeFolder(const QString &path);
    // Never in place of what to names: rename() would replace an empty folder there.
    static Outcome renameFolder(const QString &from, const QString &to);
    static Outcome setPermissions(const QString &path, QFileDevice::Permissions permissions);
    // The path of name in folder.
    static QString join(const QString &folder, const QString &name);
    // A path as a person reads it: each of its names shown on its own (NativeName::shown), so that a
    // Shift_JIS folder in a UTF-8 path reads right in both.
    static QString shownPath(const QString &path);
};
