// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FolderWatch.h"

#include "core/ReceivingPath.h"
#include "platform/files/MountQuestion.h"
#include "platform/files/NativeName.h"
#include "platform/files/SharedFileSystem.h"

#include <QDir>
#include <QSet>

namespace {
constexpr int NoLimit = -1;
} // namespace

FolderWatch::FolderWatch(QObject *parent, int settleMs, int fileLimit, int pollMs)
    : QObject(parent), m_fileLimit(fileLimit)
{
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

void FolderWatch::watch(const QString &folder)
{
    // A folder deleted and made again has lost its watch.
    if (folder == m_folder && (!m_known || m_watcher.directories() == QStringList{folder}))
        return;
    m_settle.stop(); // what happened in the folder left behind matters no more
    m_poll.stop();
    m_polls = false;
    m_known = false;
    ++m_folderTurn;
    m_shown = {};
    m_from = 0;
    const QStringList watched = m_watcher.directories() + m_watcher.files();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    m_folder = folder;
    if (!folder.isEmpty())
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
    // On a share the looks see the files written over, and a watch costs the server a round trip.
    if (!m_known || m_polls)
        return;
    const QDir dir(m_folder);
    QSet<QString> wanted;
    if (m_shown.files.size() <= m_fileLimit) {
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
    const quint64 folderTurn = m_folderTurn;
    if (!m_known) { // first what kind of file system the folder lies on
        m_asking = true;
        MountQuestion::ask(
            this, m_folder,
            [folder = m_folder] {
                ReceivingPath::removeLeftovers(folder); // once for each folder opened
                return SharedFileSystem::holds(folder);
            },
            [this, folderTurn](std::optional<bool> shared) {
                if (folderTurn != m_folderTurn)
                    return;
                if (!shared) // too many questions wait on that server: asked again later
                    return m_poll.start();
                m_known = true;
                // The watcher reaches text paths alone: a folder whose name is not UTF-8 is looked at.
                m_polls = *shared || NativeName::isEscaped(m_folder);
                // Only once the server has answered: the kernel then keeps the path a while, so the
                // watch seldom asks the server again.
                m_watcher.addPath(m_folder);
                watchFiles();
                if (m_polls)
                    m_poll.start();
                else if (!m_asking) // answered late: the list may have been read before the watch began
                    m_settle.start();
            },
            NoLimit);
        m_asking = false;
        return;
    }
    if (m_shown.files.size() > PollDetails && m_shown.sortedNames.isEmpty())
        m_shown = FolderListing::Shown::of(m_shown.files); // once for each list shown
    if (m_from >= m_shown.files.size())
        m_from = 0;
    const quint64 shownTurn = m_shownTurn;
    MountQuestion::ask(
        this, m_folder,
        [folder = m_folder, shown = m_shown, from = m_from] {
            return FolderListing::changedFrom(folder, shown, from, PollDetails);
        },
        [this, folderTurn, shownTurn](const std::optional<std::optional<QList<ListedFile>>> &files) {
            if (folderTurn != m_folderTurn)
                return; // the folder was left meanwhile
            m_poll.start();
            if (!files)
                return;
            m_from += PollDetails;
            // A list shown meanwhile is newer than what this look read.
            if (*files && shownTurn == m_shownTurn)
                emit reread(**files);
        },
        NoLimit, 0); // nothing is shown at once: the window need not wait for it
}
