// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/FileCommands.h"

#include "core/AppState.h"
#include "core/FolderListing.h"
#include "core/FolderPane.h"
#include "core/MarkedRows.h"
#include "fileops/FileCopier.h"
#include "platform/BusyCursor.h"
#include "platform/FileIdentity.h"
#include "platform/FileProtection.h"
#include "platform/NativeFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString CopyTitle = QStringLiteral("ファイルのコピー");
const QString DeleteTitle = QStringLiteral("ファイルの削除");
const QString Copy = QStringLiteral("コピー");

// Also when one path reaches the folder through a link.
bool sameFolder(const QString &a, const QString &b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(a) == QDir::cleanPath(b)
                               : canonical == QFileInfo(b).canonicalFilePath();
}

} // namespace

// Into another folder under the entry's own name, into the source folder as "コピー" + name once the
// name is taken there; a name that exists in another case keeps that spelling, so no second file
// differing only in case is made.
FileCommands::PasteTarget FileCommands::pasteTarget(const CopyBuffer::Entry &entry, const QString &folder,
                                                    bool intoSource)
{
    PasteTarget target;
    target.name = entry.text;
    target.path = entry.diskName;
    QString existing = FolderListing::findName(folder, entry.diskName);
    if (!existing.isEmpty() && intoSource) {
        target.name = Copy + entry.text;
        target.path = Copy + entry.diskName;
        existing = FolderListing::findName(folder, target.path);
    }
    target.exists = !existing.isEmpty();
    target.path = QDir(folder).filePath(target.exists ? existing : target.path);
    target.identity = FileIdentity::of(target.path);
    return target;
}

FileCommands::FileCommands(AppState &state, FileRows &list, CopyBuffer &buffer, FolderPane &folders,
                           MessageBoxes &messages, Log &log)
    : m_state(state), m_list(list), m_buffer(buffer), m_folders(folders), m_notices(messages, log)
{
}

void FileCommands::mnuEditAllSelect_Click()
{
    m_list.markAll();
}

void FileCommands::mnuEditCopy_Click()
{
    m_buffer.entries.clear();
    for (const FileRow &row : MarkedRows::of(m_list, MarkedRows::Rule::Copy))
        m_buffer.entries.append({row.text, row.diskName});
    m_buffer.sourceFolder = QDir::currentPath();
}

void FileCommands::mnuEditPaste_Click()
{
    const QString folder = QDir::currentPath();
    const bool intoSource = sameFolder(folder, m_buffer.sourceFolder);
    for (const CopyBuffer::Entry &entry : std::as_const(m_buffer.entries))
        paste(entry, folder, intoSource);
    m_list.RefreshFileList();
}

// Checked again right before the copy takes the target's name: a program may have begun to arrive
// under it while the question was open or the copy was written, or arrived whole and taken the place
// of the file the question was about, which is then asked about anew.
void FileCommands::paste(const CopyBuffer::Entry &entry, const QString &folder, bool intoSource)
{
    const QString source = QDir(m_buffer.sourceFolder).filePath(entry.diskName);
    for (;;) {
        const PasteTarget target = pasteTarget(entry, folder, intoSource);
        if (refusedWhileReceived(target.path, target.name))
            return;
        const QString failed = target.name + QStringLiteral("をコピーできませんでした。");
        FileCopier copier(source);
        if (!copier.failure().isEmpty()) {
            m_notices.failure(failed, copier.failure());
            return;
        }
        if (target.exists && !mayOverwrite(target, failed))
            return;
        const BusyCursor busy; // while the file is written; the questions show the usual pointer
        const auto unchanged = [this, &target] {
            return !m_state.Transfer.Receiving.is(target.path) &&
                   FileIdentity::of(target.path) == target.identity;
        };
        if (copier.copyTo(target.path, unchanged))
            return;
        if (!copier.failure().isEmpty()) {
            m_notices.failure(failed, copier.failure());
            return;
        }
    }
}

bool FileCommands::refusedWhileReceived(const QString &path, const QString &name)
{
    if (!m_state.Transfer.Receiving.is(path))
        return false;
    m_notices.refuse(name + QStringLiteral("は受信中なので貼り付けが出来ません。"), CopyTitle);
    return true;
}

bool FileCommands::mayOverwrite(const PasteTarget &target, const QString &failed)
{
    const std::optional<NativeFile::Status> status = NativeFile::status(target.path);
    if (!status || !status->isFile) {
        m_notices.failure(failed, QStringLiteral("同じ名前のフォルダーがあります。"));
        return false;
    }
    if (FileProtection::isProtected(status->permissions)) {
        m_notices.refuse(
            target.name + QStringLiteral("は既に保護されているファイルが存在するので貼り付けが出来ません。"),
            CopyTitle);
        return false;
    }
    return m_notices.ask(target.name +
                             QStringLiteral("は既にファイルが存在します。\nファイルを重ね書きしますか？"),
                         CopyTitle);
}

void FileCommands::mnuFileDelete_Click()
{
    const QString folder = QDir::currentPath();
    for (const FileRow &row : MarkedRows::of(m_list, MarkedRows::Rule::Action)) {
        m_state.CurrentFileName = row.text;
        deleteFile(row.text, QDir(folder).filePath(row.diskName));
    }
    m_list.RefreshFileList();
    m_folders.Dir1_Click();
}

// Checked again after the answer: a program may have begun to arrive under this name while the
// question was open, or arrived whole and taken the place of the file asked about, which is then asked
// about anew.
void FileCommands::deleteFile(const QString &name, const QString &path)
{
    FileIdentity asked;
    while (const std::optional<NativeFile::Status> status = NativeFile::status(path)) {
        if (m_state.Transfer.Receiving.is(path)) {
            m_notices.refuse(name + QStringLiteral("は受信中なので削除できません。"), DeleteTitle);
            return;
        }
        if (FileProtection::isProtected(status->permissions)) {
            m_notices.refuse(name + QStringLiteral("は保護されているので削除できません。"), DeleteTitle);
            return;
        }
        const FileIdentity now = FileIdentity::of(path);
        if (asked.isValid() && now == asked)
            break;
        asked = now;
        if (!m_notices.ask(name + QStringLiteral("を削除してもいいですか？"), DeleteTitle))
            return;
    }
    // A file gone since the list was read fails here unasked, in the platform's own words.
    const QString why = NativeFile::remove(path);
    if (why.isEmpty())
        m_notices.log(name + QStringLiteral("を削除しました。"));
    else
        m_notices.failure(name + QStringLiteral("を削除できませんでした。"), why);
}

void FileCommands::mnuFileProtect_Click()
{
    changeProtection(&FileProtection::protect, QStringLiteral("を保護できませんでした。"));
}

void FileCommands::mnuFileUnprotect_Click()
{
    changeProtection(&FileProtection::unprotect, QStringLiteral("の保護を解除できませんでした。"));
}

void FileCommands::changeProtection(QString (*change)(const QString &path), const QString &failed)
{
    const QString folder = QDir::currentPath();
    for (const FileRow &row : MarkedRows::of(m_list, MarkedRows::Rule::Action)) {
        m_state.CurrentFileName = row.text;
        const QString why = change(QDir(folder).filePath(row.diskName));
        if (!why.isEmpty())
            m_notices.failure(row.text + failed, why);
    }
    m_list.RefreshFileList();
}
