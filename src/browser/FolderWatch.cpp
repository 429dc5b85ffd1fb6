// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FolderWatch.h"

#include "core/ReceivingPath.h"
#include "platform/NativeName.h"
#include "platform/SharedFileSystem.h"

#include <QDir>
#include <QSet>

#include <mutex>
#include <system_error>
#include <thread>

// How a look that ends finds its watch, or learns that the watch is gone.
struct FolderWatch::Channel {
    std::mutex lock;
    FolderWatch *watch = nullptr;
};

FolderWatch::FolderWatch(QObject *parent, int settleMs, int fileLimit, int pollMs)
    : QObject(parent), m_channel(std::make_shared<Channel>()), m_fileLimit(fileLimit)
{
    m_channel->watch = this;
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        if (!m_polls)
            emit changed();
        else if (m_poll.isActive()) { // on a share, what this PC did there is looked at off this thread
            m_poll.stop();            // too; while a look is under way, the next one sees it
            look();
        }
    });
    // Not restarted by later changes: a folder written to without pause is still shown as it goes.
    const auto settle = [this] {
        if (!m_settle.isActive())
            m_settle.start();
    };
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, settle);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, settle);
    // Counted from the end of the last look: a slow server is never asked twice at once.
    m_poll.setSingleShot(true);
    m_poll.setInterval(pollMs);
    connect(&m_poll, &QTimer::timeout, this, &FolderWatch::look);
}

FolderWatch::~FolderWatch()
{
    // A look stuck on a server ends some time, or never; what it finds then goes nowhere.
    const std::lock_guard<std::mutex> hold(m_channel->lock);
    m_channel->watch = nullptr;
}

// Runs job on a thread of its own, then done with its result on this object's thread, unless this
// object is gone by then. The thread is left to itself: a call stuck on a server cannot be waited for.
template <typename Job, typename Done> void FolderWatch::away(Job job, Done done)
{
    ++m_looks;
    try {
        std::thread([channel = m_channel, job, done] {
            auto result = job();
            const std::lock_guard<std::mutex> hold(channel->lock);
            if (FolderWatch *watch = channel->watch) {
                QMetaObject::invokeMethod(
                    watch,
                    [watch, done, result] {
                        --watch->m_looks;
                        done(result);
                    },
                    Qt::QueuedConnection);
            }
        }).detach();
    } catch (const std::system_error &) {
        --m_looks; // no thread to be had now: the next look tries again
        m_poll.start();
    }
}

void FolderWatch::watch(const QString &folder)
{
    if (folder == m_folder && m_watcher.directories() == QStringList{folder})
        return;
    m_settle.stop(); // what happened in the folder left behind matters no more
    m_poll.stop();
    m_polls = false;
    ++m_folderTurn;
    m_shown = {};
    m_from = 0;
    const QStringList watched = m_watcher.directories() + m_watcher.files();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    m_folder = folder;
    if (folder.isEmpty())
        return;
    m_watcher.addPath(folder);
    look();
}

void FolderWatch::follow(const QList<ListedFile> &shown)
{
    if (m_folder.isEmpty())
        return;
    m_shown = {shown, {}};
    ++m_shownTurn;
    watchFiles();
}

void FolderWatch::watchFiles()
{
    const QDir dir(m_folder);
    QSet<QString> wanted;
    // On a share the looks see the files written over, and a watch costs the server a round trip.
    if (!m_polls && m_shown.files.size() <= m_fileLimit) {
        for (const ListedFile &file : std::as_const(m_shown.files)) {
            // The watcher takes text names only; such a file is still seen when it is added or removed.
            if (!NativeName::isEscaped(file.diskName))
                wanted.insert(dir.filePath(file.diskName));
        }
    }
    const QStringList watched = m_watcher.files();
    const QSet<QString> had(watched.cbegin(), watched.cend());
    const QSet<QString> gone = had - wanted;
    const QSet<QString> added = wanted - had;
    if (!gone.isEmpty())
        m_watcher.removePaths(gone.values());
    if (!added.isEmpty())
        m_watcher.addPaths(added.values());
}

void FolderWatch::look()
{
    if (m_looks >= MaxLooks) {
        m_poll.start(); // servers that do not answer: no more threads waiting on them
        return;
    }
    const quint64 folderTurn = m_folderTurn;
    if (!m_polls) { // first what kind of file system the folder lies on
        away(
            [folder = m_folder] {
                // Off the window's thread, once for each folder opened: a share may not answer.
                ReceivingPath::removeLeftovers(folder);
                return SharedFileSystem::holds(folder);
            },
            [this, folderTurn](bool shared) {
                // The watcher reaches text paths alone: a folder whose name is not UTF-8 is looked at.
                if (folderTurn != m_folderTurn || !(shared || NativeName::isEscaped(m_folder)))
                    return;
                m_polls = true;
                watchFiles();
                m_poll.start();
            });
        return;
    }
    if (m_shown.files.size() > PollDetails && m_shown.sortedNames.isEmpty())
        m_shown = FolderListing::Shown::of(m_shown.files); // once for each list shown
    if (m_from >= m_shown.files.size())
        m_from = 0;
    const quint64 shownTurn = m_shownTurn;
    away([folder = m_folder, shown = m_shown,
          from = m_from] { return FolderListing::changedFrom(folder, shown, from, PollDetails); },
         [this, folderTurn, shownTurn](const std::optional<QList<ListedFile>> &files) {
             if (folderTurn != m_folderTurn)
                 return; // the folder was left meanwhile
             m_from += PollDetails;
             m_poll.start();
             // A list shown meanwhile is newer than what this look read.
             if (files && shownTurn == m_shownTurn)
                 emit reread(*files);
         });
}
