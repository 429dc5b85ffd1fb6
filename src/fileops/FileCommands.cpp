// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/FileCommands.h"

#include "core/AppState.h"
#include "core/FolderPane.h"
#include "core/MarkedRows.h"
#include "fileops/Paste.h"
#include "fileops/PasteProgressDialog.h"
#include "platform/files/FileIdentity.h"
#include "platform/files/FileProtection.h"
#include "platform/files/NativeFile.h"

namespace {

const QString DeleteTitle = QStringLiteral("ファイルの削除");

} // namespace

FileCommands::FileCommands(AppState &state, FileRows &list, CopyBuffer &buffer, FolderPane &folders,
                           MessageBoxes &messages, Log &log, PasteProgress *progress)
    : m_state(state), m_list(list), m_buffer(buffer), m_folders(folders), m_notices(messages, log),
      m_ownProgress(progress ? nullptr : std::make_unique<PasteProgressDialog>()),
      m_progress(progress ? *progress : *m_ownProgress)
{
}

FileCommands::~FileCommands() = default;

void FileCommands::mnuEditAllSelect_Click()
{
    m_list.markAll();
}

void FileCommands::mnuEditCopy_Click()
{
    m_buffer.entries.clear();
    for (const FileRow &row : MarkedRows::of(m_list, MarkedRows::Rule::Copy))
        m_buffer.entries.append({row.text, row.diskName});
    m_buffer.sourceFolder = m_state.CurrentFolder;
}

void FileCommands::mnuEditPaste_Click()
{
    Paste(m_state, m_buffer, m_notices, m_progress).into(m_state.CurrentFolder);
    m_list.RefreshFileList();
}

void FileCommands::mnuFileDelete_Click()
{
    const QString folder = m_state.CurrentFolder;
    for (const FileRow &row : MarkedRows::of(m_list, MarkedRows::Rule::Action)) {
        m_state.CurrentFileName = row.text;
        deleteFile(row.text, NativeFile::join(folder, row.diskName));
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
    if (const Outcome removed = NativeFile::remove(path); removed)
        m_notices.log(name + QStringLiteral("を削除しました。"));
    else
        m_notices.failure(name + QStringLiteral("を削除できませんでした。"), removed.reason());
}

void FileCommands::mnuFileProtect_Click()
{
    changeProtection(&FileProtection::protect, QStringLiteral("を保護できませんでした。"));
}

void FileCommands::mnuFileUnprotect_Click()
{
    changeProtection(&FileProtection::unprotect, QStringLiteral("の保護を解除できませんでした。"));
}

void FileCommands::changeProtection(Outcome (*change)(const QString &path), const QString &failed)
{
    const QString folder = m_state.CurrentFolder;
    for (const FileRow &row : MarkedRows::of(m_list, MarkedRows::Rule::Action)) {
        m_state.CurrentFileName = row.text;
        if (const Outcome changed = change(NativeFile::join(folder, row.diskName)); !changed)
            m_notices.failure(row.text + failed, changed.reason());
    }
    m_list.RefreshFileList();
}
