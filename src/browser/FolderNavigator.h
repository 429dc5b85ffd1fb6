// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FolderPane.h"

#include <QObject>

struct AppState;
class DataPane;
class DriveList;
class FileListView;
class FolderList;
class Log;

// Keeps the folder pane, the working directory and CurrentFolder in step, and gives the drive and
// folder panes their mouse and keyboard behaviour.
class FolderNavigator final : public QObject, public FolderPane {
    Q_OBJECT
public:
    FolderNavigator(AppState &state, DriveList &drives, FolderList &folders, FileListView &files,
                    DataPane &data, Log &log, bool &folderClickSuppressed, QObject *parent = nullptr);

    // Shows the remembered folder at start-up; false when it was gone and the system drive is shown instead.
    bool restore();

    void Dir1_Change();
    void Drive1_Change();
    void Dir1_Click() override;
    void Dir1_KeyPress(QChar character);
    void Dir1_KeyUp(int key);

    void showFolder(const QString &path) override;
    void rereadFolders() override;

signals:
    // The folder pane hands the keyboard to the file list and wants its current row shown.
    void previewRequested();

private:
    void openEntry(const QString &path);
    void notReady();
    void adoptShownFolder();

    AppState &m_state;
    DriveList &m_drives;
    FolderList &m_folders;
    FileListView &m_files;
    DataPane &m_data;
    Log &m_log;
    bool &m_folderClickSuppressed;
};
