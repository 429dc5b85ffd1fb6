// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "browser/FolderList.h"
#include "core/FolderPane.h"

#include <QObject>
#include <QTimer>

#include <functional>

struct AppState;
class DataPane;
class DriveList;
class FileListView;
class Log;

// Keeps the folder pane and CurrentFolder in step, and gives the drive and
// folder panes their mouse and keyboard behaviour.
class FolderNavigator final : public QObject, public FolderPane {
    Q_OBJECT
public:
    FolderNavigator(AppState &state, DriveList &drives, FolderList &folders, FileListView &files,
                    DataPane &data, Log &log, bool &folderClickSuppressed, QObject *parent = nullptr);

    // Shows the remembered folder at start-up, then runs shown; when it is gone or does not answer, the
    // system drive is shown instead.
    void restore(const std::function<void()> &shown);

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
    void openDrive(const QString &root, const FolderList::Done &done);
    void entered();
    void notReady();
    void toSystemDrive();
    void adoptShownFolder();

    AppState &m_state;
    DriveList &m_drives;
    FolderList &m_folders;
    FileListView &m_files;
    DataPane &m_data;
    Log &m_log;
    bool &m_folderClickSuppressed;
    QTimer m_keyWait;
    quint64 m_driveTurn = 0; // a new one with every drive opened
};
