#include "browser/FolderWatch.h"

#include <QDir>
#include <QSet>

FolderWatch::FolderWatch(QObject *parent, int settleMs, int fileLimit)
    : QObject(parent), m_fileLimit(fileLimit)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &FolderWatch::changed);
    // Not restarted by later changes: a folder written to without pause is still shown as it goes.
    const auto settle = [this] {
        if (!m_settle.isActive())
            m_settle.start();
    };
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, settle);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, settle);
}

void FolderWatch::watch(const QString &folder)
{
    if (folder == m_folder && m_watcher.directories() == QStringList{folder})
        return;
    m_settle.stop(); // what happened in the folder left behind matters no more
    const QStringList watched = m_watcher.directories() + m_watcher.files();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    m_folder = folder;
    if (!folder.isEmpty())
        m_watcher.addPath(folder);
}

void FolderWatch::watchFiles(const QStringList &names)
{
    if (m_folder.isEmpty())
        return;
    const QDir dir(m_folder);
    QSet<QString> wanted;
    if (names.size() <= m_fileLimit) {
        for (const QString &name : names)
            wanted.insert(dir.filePath(name));
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
