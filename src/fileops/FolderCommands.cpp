// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/FolderCommands.h"

#include "core/AppState.h"
#include "core/FileRows.h"
#include "core/FolderListing.h"
#include "core/FolderPane.h"
#include "fileops/FolderRename.h"
#include "fileops/NewFolder.h"
#include "platform/files/MountedDrives.h"
#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString DeleteTitle = QStringLiteral("フォルダーの削除");

// The name as on disk, in words as it reads.
QString quoted(const QString &name)
{
    return QStringLiteral("フォルダー'") + NativeName::shown(name) + QLatin1Char('\'');
}

bool isDriveRoot(const QString &folder)
{
    if (QDir(folder).isRoot())
        return true;
    const QStringList roots = MountedDrives::roots();
    for (const QString &root : roots) {
        if (QDir::cleanPath(root) == folder)
            return true;
    }
    return false;
}

} // namespace

FolderCommands::FolderCommands(AppState &state, FileRows &list, FolderPane &folders, MessageBoxes &messages,
                               Log &log, QWidget *window)
    : m_state(state), m_list(list), m_folders(folders), m_messages(messages), m_notices(messages, log),
      m_window(window)
{
}

QString FolderCommands::currentFolder() const
{
    return QDir::cleanPath(QDir::fromNativeSeparators(m_state.CurrentFolder));
}

// A drive has no name of its own to change and no parent to show after a delete.
bool FolderCommands::refusedAtRoot(const QString &folder, const QString &text, const QString &title)
{
    if (!isDriveRoot(folder))
        return false;
    m_notices.refuse(text, title);
    return true;
}

void FolderCommands::mnuFolderNew_Click()
{
    m_list.dropRename(); // an edit committed under the dialog would rename in the wrong folder
    NewFolder dialog(m_state, currentFolder(), m_messages, m_window);
    dialog.exec();
    m_folders.rereadFolders();
}

void FolderCommands::mnuFolderRename_Click()
{
    const QString folder = currentFolder();
    if (refusedAtRoot(folder, QStringLiteral("ドライブのルートフォルダーの名前は変更できません。"),
                      QStringLiteral("フォルダー名の変更")))
        return;
    m_list.dropRename(); // an edit committed under the dialog would land in the parent folder
    const QFileInfo info(folder);
    const QString parent = info.path();
    m_state.CurrentFileName = info.fileName();
    FolderRename dialog(m_state, parent, m_messages, m_window);
    dialog.exec();
    m_folders.showFolder(NativeFile::join(parent, dialog.folderName()));
}

void FolderCommands::mnuFolderDelete_Click()
{
    const QString folder = currentFolder();
    if (refusedAtRoot(folder, QStringLiteral("ドライブのルートフォルダーは削除できません。"), DeleteTitle))
        return;
    m_list.dropRename();
    const QFileInfo info(folder);
    const QString name = info.fileName();
    m_state.CurrentFileName = name;
    // Asked again after the answer: a program may have begun to arrive there while it was open.
    if (refusedWhileReceived(folder) ||
        !m_notices.ask(quoted(name) +
                           QStringLiteral("とフォルダー内のすべてのファイルを削除してもいいですか？"),
                       DeleteTitle) ||
        refusedWhileReceived(folder))
        return;
    if (!deleteFiles(folder)) {
        m_list.RefreshFileList(); // the files deleted before the stop are gone from the list too
        return;
    }

    const QString parent = info.path();
    if (const Outcome removed = NativeFile::removeFolder(folder); !removed) {
        const QString why =
            NativeFile::entries(folder).isEmpty()
                ? removed.reason()
                : QStringLiteral("フォルダー内にサブフォルダーか隠しファイルが残っています。");
        m_notices.failure(quoted(name) + QStringLiteral("を削除できませんでした。"), why);
        m_folders.showFolder(folder);
        return;
    }
    m_folders.showFolder(parent);
    m_notices.log(quoted(name) + QStringLiteral("を削除しました。"));
}

bool FolderCommands::refusedWhileReceived(const QString &folder, const QString &path)
{
    if (path.isEmpty() ? !m_state.Transfer.Receiving.isIn(folder) : !m_state.Transfer.Receiving.is(path))
        return false;
    m_notices.refuse(quoted(QFileInfo(folder).fileName()) +
                         QStringLiteral("には受信中のファイルがあるので削除できません。"),
                     DeleteTitle);
    return true;
}

// Stops at the first file that may not or cannot go; the files before it stay deleted. Each is checked
// right before it goes: a reception may begin at any moment.
bool FolderCommands::deleteFiles(const QString &folder)
{
    const QList<ListedFile> files = FolderListing::read(folder);
    for (const ListedFile &file : files) {
        if (refusedWhileReceived(folder, NativeFile::join(folder, file.diskName)))
            return false;
        if (file.isProtected) {
            m_notices.refuse(QStringLiteral("保護されたファイルがあるので削除できませんでした。"),
                             DeleteTitle);
            return false;
        }
        if (const Outcome removed = NativeFile::remove(NativeFile::join(folder, file.diskName)); !removed) {
            m_notices.failure(file.text + QStringLiteral("を削除できませんでした。"), removed.reason());
            return false;
        }
        m_notices.log(file.text + QStringLiteral("を削除しました。"));
    }
    return true;
}
