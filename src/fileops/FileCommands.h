// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FileRows.h"
#include "fileops/CopyBuffer.h"
#include "fileops/Notices.h"
#include "fileops/PasteProgress.h"
#include "platform/text/Outcome.h"

#include <memory>

struct AppState;
class FolderPane;
class Log;
class MessageBoxes;

// Select all, copy, paste, delete, protect and unprotect over the marked rows of the file list.
class FileCommands final {
public:
    // Without a progress of its own a paste that takes a while shows PasteProgressDialog.
    FileCommands(AppState &state, FileRows &list, CopyBuffer &buffer, FolderPane &folders,
                 MessageBoxes &messages, Log &log, PasteProgress *progress = nullptr);
    ~FileCommands();

    void mnuEditAllSelect_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuFileDelete_Click();
    void mnuFileProtect_Click();
    void mnuFileUnprotect_Click();

private:
    void deleteFile(const QString &name, const QString &path);
    void changeProtection(Outcome (*change)(const QString &path), const QString &failed);

    AppState &m_state;
    FileRows &m_list;
    CopyBuffer &m_buffer;
    FolderPane &m_folders;
    Notices m_notices;
    std::unique_ptr<PasteProgress> m_ownProgress;
    PasteProgress &m_progress;
};
