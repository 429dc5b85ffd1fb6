// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// One file of a folder as the file list shows it.
struct ListedFile {
    QString diskName; // as it is on disk (NativeName); every operation uses this, never text
    QString text;     // as listed: upper case, but as it is when another name is the same in upper case
    qint64 size = 0;
    QDateTime modified;
    bool isProtected = false;

    bool operator==(const ListedFile &) const = default;
};

// Reads the visible plain files of a folder, in the order Windows' file system would give them.
class FolderListing final {
public:
    static QList<ListedFile> read(const QString &folder);
    // The visible names of folder, files and others, as the file system gives them.
    static QStringList names(const QString &folder);
    // Puts names from `from` on in the order their rows stand, at least `count` of them; returns where
    // the ordered names end, never inside a run of one sortKey(). The details of any such run are rows
    // in list order.
    static qsizetype order(QStringList &names, qsizetype from, qsizetype count);
    static QString sortKey(const QString &name);
    // The rows for names already enumerated; a name whose details cannot be read is left out.
    static QList<ListedFile> details(const QString &folder, const QStringList &names);
    // Reads the rows in list order and hands them over as they are read: the first `first` as soon as
    // they are, the rest every `everyMs`; stops early once wanted() says no one waits any more.
    static void readInBatches(const QString &folder, qsizetype first, int everyMs,
                              const std::function<bool()> &wanted,
                              const std::function<void(QList<ListedFile> rows, bool last)> &hand);
    // What a list shows of a folder, for comparing with the disk.
    struct Shown {
        QList<ListedFile> files;
        QStringList sortedNames; // their names on disk, sorted
        static Shown of(const QList<ListedFile> &files);
    };
    // The files of folder when they are not what shown holds, else nothing. Compares every file's
    // details up to `details` files; above that, the names and the details of those files alone that
    // stand from `from` on: each file there costs the file system a look of its own.
    static std::optional<QList<ListedFile>> changedFrom(const QString &folder, const Shown &shown,
                                                        qsizetype from, qsizetype details);
    // The on-disk name in folder that is name (FolderNames::find); "" when there is none. Reads the
    // folder: a caller that looks up many names keeps a FolderNames instead.
    static QString findName(const QString &folder, const QString &name);
};
