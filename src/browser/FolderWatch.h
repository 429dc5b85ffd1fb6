// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FolderListing.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

// Tells when the entries of one folder change on disk: once for a burst of changes, shortly after the
// first, so a program writing many files, or one file in many steps, costs one refresh at a time.
// A folder on a network share or a FUSE mount is also compared with what the list shows every few
// seconds: there the kernel's notices miss what other computers do. Each look is a MountQuestion with
// no time limit, so a server that does not answer holds up only that look, never the window, and no
// second look at the folder starts behind it. Nothing is watched before the first look has told what
// file system the folder lies on: a watch asks a share's server too.
class FolderWatch final : public QObject {
    Q_OBJECT
public:
    static constexpr int SettleMs = 150;
    // Above this many files only the folder is watched: each watch costs the kernel and the watcher
    // time and memory. Files added, removed or renamed are still seen; one written over in place is
    // seen at the next refresh.
    static constexpr int FileLimit = 2000;
    static constexpr int PollMs = 2000;
    // Files of a share whose details each look compares: in a bigger folder the looks take turns
    // through it, and a file written over in place shows within a look for every so many files.
    static constexpr int PollDetails = 500;

    explicit FolderWatch(QObject *parent = nullptr, int settleMs = SettleMs, int fileLimit = FileLimit,
                         int pollMs = PollMs);

    // Watches folder from now on, and no other; "" watches nothing.
    void watch(const QString &folder);
    // What the list now shows of the folder: its files are watched too when they are no more than the
    // limit (a file written over in place leaves the folder's entries alone); a folder on a share is
    // compared with them instead.
    void follow(const QList<ListedFile> &shown);
    bool watchesFiles() const { return !m_watcher.files().isEmpty(); }
    // Whether the folder is looked at now and then, as one on a share is.
    bool polls() const { return m_polls; }
    QString folder() const { return m_folder; }

signals:
    void changed();
    // A folder on a share holds other files than were shown: these, as they are now.
    void reread(const QList<ListedFile> &files);

private:
    void watchFiles();
    void look();

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QTimer m_poll;
    QString m_folder;
    FolderListing::Shown m_shown;
    qsizetype m_from = 0;     // the first file whose details the next look compares
    quint64 m_folderTurn = 0; // a new one with every folder watched
    quint64 m_shownTurn = 0;  // a new one with every list shown
    int m_fileLimit;
    bool m_known = false;  // the first look has told the folder's file system
    bool m_asking = false; // within the first look's ask, where a local disk answers at once
    bool m_polls = false;
};
