// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "fileops/Notices.h"

struct AppState;
class FileRows;
class FolderPane;
class QWidget;

// Creates a subfolder in the current folder, renames the current folder, or deletes it with its files.
class FolderCommands final {
public:
    FolderCommands(AppState &state, FileRows &list, FolderPane &folders, MessageBoxes &messages, Log &log,
                   QWidget *window);

    void mnuFolderNew_Click();
    void mnuFolderRename_Click();
    void mnuFolderDelete_Click();

private:
    QString currentFolder() const;
    bool refusedAtRoot(const QString &folder, const QString &text, const QString &title);
    // Says so when a program is being received into folder, or as path in it when one is given.
    bool refusedWhileReceived(const QString &folder, const QString &path = {});
    bool deleteFiles(const QString &folder);

    AppState &m_state;
    FileRows &m_list;
    FolderPane &m_folders;
    MessageBoxes &m_messages;
    Notices m_notices;
    QWidget *m_window;
};
