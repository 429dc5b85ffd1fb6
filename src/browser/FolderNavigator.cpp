// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FolderNavigator.h"

#include "browser/DataPane.h"
#include "browser/DriveList.h"
#include "browser/FileListView.h"
#include "browser/FolderList.h"
#include "core/AppState.h"
#include "core/Log.h"
#include "platform/files/MountQuestion.h"
#include "platform/files/MountedDrives.h"
#include "platform/files/NativeFile.h"
#include "platform/text/SystemReason.h"

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
    // Counted from the last key released: a quick run of keys opens only where the highlight ends.
    m_keyWait.setParent(this);
    m_keyWait.setObjectName(QStringLiteral("Dir1_KeyWait"));
    m_keyWait.setSingleShot(true);
    m_keyWait.setInterval(1000);
    connect(&m_keyWait, &QTimer::timeout, this,
            [this] { openEntry(m_folders.entry(m_folders.listIndex())); });
}

void FolderNavigator::restore(const std::function<void()> &shown)
{
    m_drives.selectDriveOf(m_state.CurrentFolder);
    m_folders.setPath(QDir::fromNativeSeparators(m_state.CurrentFolder), [this, shown](int error) {
        if (!error) {
            adoptShownFolder(); // the folder may have been shown already, with no change to clear the flag
            return shown();
        }
        // When no folder change ran on the way, nobody has told the user yet.
        if (m_state.StartupFolderPending)
            notReady();
        else
            toSystemDrive();
    });
}

void FolderNavigator::Dir1_Change()
{
    if (m_state.StartupFolderPending) {
        m_state.StartupFolderPending = false;
        return m_folders.setPath(QDir::fromNativeSeparators(m_state.CurrentFolder),
                                 [this](int error) { error ? notReady() : entered(); });
    }
    entered();
}

void FolderNavigator::entered()
{
    adoptShownFolder();
    m_data.clear();
    m_files.RefreshFileList();
}

void FolderNavigator::notReady()
{
    m_state.StartupFolderPending = false; // told now
    m_log.addLine(NativeFile::shownPath(m_state.CurrentFolder) + QStringLiteral("の準備が出来ていません。"));
    toSystemDrive();
}

void FolderNavigator::toSystemDrive()
{
    m_drives.setDrive(MountedDrives::systemRoot());
    openDrive(MountedDrives::systemRoot(), [this](int) {
        adoptShownFolder();
        m_files.RefreshFileList();
    });
}

// CurrentFolder follows the folder shown, also when no change ran to do it.
void FolderNavigator::adoptShownFolder()
{
    m_state.StartupFolderPending = false;
    if (m_folders.path().isEmpty())
        return;
    m_state.CurrentFolder = QDir::toNativeSeparators(m_folders.path());
    m_drives.standOn(m_folders.path());
}

// The drive's own folder, or its nearest ancestor still there, shown once the drive has answered.
void FolderNavigator::openDrive(const QString &root, const FolderList::Done &done)
{
    const quint64 turn = ++m_driveTurn;
    const QString from = m_folders.path();
    MountQuestion::ask(
        this, root,
        [root, remembered = m_drives.rememberedFolder(root), mountPoint = m_drives.mountPoints()] {
            return DriveList::isReady(root, mountPoint) ? DriveList::nearestFolder(remembered, root)
                                                        : QString();
        },
        [this, turn, from, done](const std::optional<QString> &folder) {
            if (turn != m_driveTurn || from != m_folders.path())
                return; // the operator went elsewhere meanwhile
            if (!folder || folder->isEmpty())
                return done(folder ? ENODEV : ETIMEDOUT);
            m_folders.setPath(*folder, done);
        });
}

void FolderNavigator::Drive1_Change()
{
    const QString root = m_drives.drive();
    openDrive(root, [this, root](int error) {
        if (error == EACCES || error == EPERM) {
            // Silent, the folder as it was, and the drive pane back on the drive that holds it.
            m_drives.selectDriveOf(m_folders.path());
        } else if (error) {
            m_log.addLine(root + QStringLiteral(" は") + SystemReason::of(error));
            m_drives.setDrive(MountedDrives::systemRoot());
        }
    });
}

void FolderNavigator::openEntry(const QString &path)
{
    if (path.isEmpty())
        return;
    m_folders.setPath(path, [this](int error) {
        // The folder went away under the user's hand: show the open folder as it is now.
        if (error)
            m_folders.reread([this](int error) {
                if (error)
                    notReady();
            });
    });
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
    m_folders.setPath(path, [this](int error) {
        if (error)
            return notReady();
        m_folders.reread([this](int error) {
            if (error)
                return notReady();
            adoptShownFolder();
            m_files.RefreshFileList();
        });
    });
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
    m_keyWait.start();
}
