// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QMultiHash>
#include <QString>
#include <QStringList>

// The names of one folder, read once and kept current by whoever changes the folder, so that finding a
// file's own spelling costs no look at the folder. Names are as on disk (NativeName).
class FolderNames final {
public:
    FolderNames() = default;
    explicit FolderNames(const QStringList &names);
    // Every entry of folder, hidden ones and folders included: any of them takes a name.
    static FolderNames read(const QString &folder);

    // The name on disk that is name: itself when it is there, else one that equals it without regard to
    // case or to how it is held (Shift_JIS bytes or text); "" when there is none. Among several such
    // twins, the one held the same way as name, then the first in sorted order.
    QString find(const QString &name) const;
    bool contains(const QString &name) const;
    qsizetype size() const { return m_names.size(); }
    QStringList names() const { return m_names.values(); }

    void add(const QString &name);
    void remove(const QString &name);

private:
    static QString key(const QString &name);
    static size_t hashOf(const QString &name) { return qHash(key(name)); }

    // By the hash of key(): a folder of many thousand names keeps each name once, and its twins (and
    // the rare names whose keys share a hash) under the same hash.
    QMultiHash<size_t, QString> m_names;
};
