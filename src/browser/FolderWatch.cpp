#include "browser/FolderWatch.h"

FolderWatch::FolderWatch(QObject *parent, int settleMs) : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &FolderWatch::changed);
    // Not restarted by later changes: a folder written to without pause is still shown as it goes.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!m_settle.isActive())
            m_settle.start();
    });
}

void FolderWatch::watch(const QString &folder)
{
    if (folder == m_folder && m_watcher.directories() == QStringList{folder})
        return;
    m_settle.stop(); // what happened in the folder left behind matters no more
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_folder = folder;
    if (!folder.isEmpty())
        m_watcher.addPath(folder);
}
