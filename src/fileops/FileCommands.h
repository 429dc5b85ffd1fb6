// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FileRows.h"
#include "fileops/CopyBuffer.h"
#include "fileops/Notices.h"
#include "platform/FileIdentity.h"

struct AppState;
class FolderPane;
class Log;
class MessageBoxes;

// Select all, copy, paste, delete, protect and unprotect over the marked rows of the file list.
class FileCommands final {
public:
    FileCommands(AppState &state, FileRows &list, CopyBuffer &buffer, FolderPane &folders,
                 MessageBoxes &messages, Log &log);

    void mnuEditAllSelect_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuFileDelete_Click();
    void mnuFileProtect_Click();
    void mnuFileUnprotect_Click();

private:
    struct PasteTarget {
        QString name; // as messages give it
        QString path;
        bool exists = false;
        FileIdentity identity; // of what the target's name held when it was looked at
    };

    static PasteTarget pasteTarget(const CopyBuffer::Entry &entry, const QString &folder, bool intoSource);
    void paste(const CopyBuffer::Entry &entry, const QString &folder, bool intoSource);
    bool refusedWhileReceived(const QString &path, const QString &name);
    bool mayOverwrite(const PasteTarget &target, const QString &failed);
    void deleteFile(const QString &name, const QString &path);
    void changeProtection(QString (*change)(const QString &path), const QString &failed);

    AppState &m_state;
    FileRows &m_list;
    CopyBuffer &m_buffer;
    FolderPane &m_folders;
    Notices m_notices;
};
