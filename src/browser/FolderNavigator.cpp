// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FolderNavigator.h"

#include "browser/DataPane.h"
#include "browser/DriveList.h"
#include "browser/FileListView.h"
#include "browser/FolderList.h"
#include "core/AppState.h"
#include "core/Log.h"
#include "platform/MountedDrives.h"
#include "platform/NativeFile.h"
#include "platform/SystemReason.h"
#include "platform/WorkingDirectory.h"

#include <QDir>

#include <cerrno>

FolderNavigator::FolderNavigator(AppState &state, DriveList &drives, FolderList &folders, FileListView &files,
                                 DataPane &data, Log &log, bool &folderClickSuppressed, QObject *parent)
    : QObject(parent), m_state(state), m_drives(drives), m_folders(folders), m_files(files), m_data(data),
      m_log(log), m_folderClickSuppressed(folderClickSuppressed)
{
    // As a drive's own folder list, the pane starts at the root of the drive the folder lies on.
    m_folders.setDriveOf([&drives](const QString &folder) { return drives.rootOf(folder); });
    m_folders.reread();
    // A drive plugged in or gone may now hold the folder shown.
    connect(&drives, &DriveList::rootsChanged, this, [this] {
        if (m_folders.top() != m_drives.rootOf(m_folders.path()))
            m_folders.reread();
        m_drives.standOn(m_folders.path());
    });
}

bool FolderNavigator::restore()
{
    if (m_drives.setDrive(m_state.CurrentFolder) && m_folders.setPath(m_state.CurrentFolder)) {
        adoptShownFolder(); // the folder may have been shown already, with no change to clear the flag
        return true;
    }

    m_drives.setDrive(MountedDrives::systemRoot());
    m_folders.setPath(m_drives.folderOf(m_drives.drive()));
    // When no folder change ran on the way, nobody has told the user yet.
    if (m_state.StartupFolderPending)
        m_log.addLine(NativeFile::shownPath(m_state.CurrentFolder) +
                      QStringLiteral("の準備が出来ていません。"));
    adoptShownFolder();
    m_files.RefreshFileList();
    return false;
}

void FolderNavigator::Dir1_Change()
{
    if (m_state.StartupFolderPending) {
        m_state.StartupFolderPending = false;
        if (!m_folders.setPath(m_state.CurrentFolder)) {
            notReady();
            return;
        }
    }
    if (!WorkingDirectory::enter(m_folders.path()).ok()) {
        notReady();
        return;
    }
    m_state.CurrentFolder = QDir::toNativeSeparators(m_folders.path());
    m_drives.standOn(m_folders.path());
    m_data.clear();
    m_files.RefreshFileList();
}

void FolderNavigator::notReady()
{
    m_log.addLine(NativeFile::shownPath(m_state.CurrentFolder) + QStringLiteral("の準備が出来ていません。"));
    m_drives.setDrive(MountedDrives::systemRoot());
    m_folders.setPath(m_drives.folderOf(m_drives.drive()));
    adoptShownFolder();
    m_files.RefreshFileList();
}

// The working directory and CurrentFolder follow the folder shown, also when no change ran to do it.
void FolderNavigator::adoptShownFolder()
{
    m_state.StartupFolderPending = false;
    if (WorkingDirectory::enter(m_folders.path()).ok()) {
        m_state.CurrentFolder = QDir::toNativeSeparators(m_folders.path());
        m_drives.standOn(m_folders.path());
    }
}

void FolderNavigator::Drive1_Change()
{
    const QString root = m_drives.drive();
    const QString folder = m_drives.folderOf(root);
    WorkingDirectory::Result result;
    if (!m_drives.isReady(root)) {
        result.failure = WorkingDirectory::Failure::NotReady;
        result.description = SystemReason::of(ENODEV);
    } else {
        result = WorkingDirectory::enter(folder);
    }
    if (result.ok() && !m_folders.setPath(folder, &result.description))
        result.failure = WorkingDirectory::Failure::NotReady;

    if (result.failure == WorkingDirectory::Failure::NotReady) {
        m_log.addLine(root + QStringLiteral(" は") + result.description);
        m_drives.setDrive(MountedDrives::systemRoot());
    } else if (result.failure == WorkingDirectory::Failure::AccessDenied) {
        // Silent, the folder as it was, and the drive pane back on the drive that holds it.
        m_drives.selectDriveOf(m_folders.path());
    }
}

void FolderNavigator::openEntry(const QString &path)
{
    if (path.isEmpty() || m_folders.setPath(path))
        return;
    // The folder went away under the user's hand: show the open folder as it is now.
    if (!m_folders.reread())
        notReady();
}

void FolderNavigator::Dir1_Click()
{
    if (m_folderClickSuppressed) {
        m_folderClickSuppressed = false;
        return;
    }
    openEntry(m_folders.entry(m_folders.listIndex()));
}

void FolderNavigator::showFolder(const QString &path)
{
    // The pane's own change runs only when the path differs; the rest must happen either way.
    if (!m_folders.setPath(path) || !m_folders.reread()) {
        notReady();
        return;
    }
    adoptShownFolder();
    m_files.RefreshFileList();
}

void FolderNavigator::rereadFolders()
{
    m_folders.reread();
}

void FolderNavigator::Dir1_KeyPress(QChar character)
{
    if (character != QLatin1Char('\r'))
        return;
    openEntry(m_folders.entry(m_folders.listIndex()));
    m_files.setFocus();
}

void FolderNavigator::Dir1_KeyUp(int key)
{
    m_folderClickSuppressed = true;
    switch (key) {
    case Qt::Key_Up:
        m_files.clearRows();
        if (m_folders.listIndex() == -1)
            m_files.RefreshFileList();
        if (m_folders.listIndex() == -2)
            openEntry(m_folders.entry(-2));
        break;
    case Qt::Key_Right:
        m_files.setFocus();
        emit previewRequested();
        break;
    case Qt::Key_Down:
        m_files.clearRows();
        if (m_folders.listIndex() == -2)
            m_files.RefreshFileList();
        break;
    default:
        break;
    }
    m_state.WaitSeconds(1);
    openEntry(m_folders.entry(m_folders.listIndex()));
}
