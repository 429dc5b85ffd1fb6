// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "fileops/CopyBuffer.h"
#include "shell/PlatformServices.h"
#include "shell/WindowPlacement.h"

#include <QMainWindow>

#include <memory>
#include <optional>

struct AppState;
class CommandRouter;
class DataPane;
class DriveList;
class CompanionTools;
class FileCommands;
class FileListView;
class FilePreview;
class FileRenamer;
class FolderCommands;
class FolderList;
class FolderNavigator;
class LogPane;
class MachineCommands;
class MainMenus;
class MainStatusBar;
class MainToolBar;
class MessageBoxes;
class PrintCommands;
class ProcessLauncher;
class QLabel;
class QSettings;
class QTextEdit;
class TransferCommands;
class ToolLocator;
class Journal;
class frmJournal;

// The main window: creates the controls, owns the window-level state and routes every command.
class frmMain final : public QMainWindow {
    Q_OBJECT
public:
    frmMain(AppState &state, QSettings &store, const PlatformServices &services, QWidget *parent = nullptr);
    ~frmMain() override;

    // Loads the window (once) and shows it.
    void Show();
    // Start-up's last step: the machine settings file given for this window (--machine) or else the
    // remembered one, or no communication without one.
    void LoadStartupSettingsFile(const QString &given = {});
    // --listen: the window listens as soon as its folder is shown, or at once if it is already.
    void ListenOnceRestored();
    void ApplyControllerRule();

    // The controls, named as the rest of the program knows them.
    DriveList *Drive1 = nullptr;
    FolderList *Dir1 = nullptr;
    FileListView *lvListView = nullptr;
    LogPane *Text2 = nullptr;
    QTextEdit *Text1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *lblTitle[2] = {nullptr, nullptr};
    MainToolBar *tbToolBar = nullptr;
    MainStatusBar *sbStatusBar = nullptr;
    MainMenus *menus() const { return m_menus; }
    TransferCommands *transfer() const { return m_transfer; }

    bool FolderClickSuppressed = false;
    CopyBuffer Buffer; // the CopyBuffer: what Copy took, for Paste

    void Form_Resize();

signals:
    // The settings are saved (unless minimised); the program is to end now.
    void unloaded();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void routeCommands();
    void offerCommunication(bool offered);
    void connectPanes();
    void Form_Load();
    void Form_Unload();
    void listenIfOffered();
    void PreviewListedFile();
    void showJournal();
    QString listedFilePath() const;
    void setOuterGeometry(const WindowPlacement &placement);
    void fitPendingOuterGeometry();
    WindowPlacement outerGeometry() const;

    AppState &m_state;
    QSettings &m_store;
    PlatformServices m_services;
    MainMenus *m_menus = nullptr;
    CommandRouter *m_router = nullptr;
    FolderNavigator *m_navigator = nullptr;
    std::unique_ptr<DataPane> m_data;
    std::unique_ptr<FilePreview> m_preview;
    std::unique_ptr<FileRenamer> m_renamer;
    std::unique_ptr<ToolLocator> m_toolLocator;
    std::unique_ptr<CompanionTools> m_tools;
    std::unique_ptr<FileCommands> m_fileCommands;
    std::unique_ptr<FolderCommands> m_folderCommands;
    MachineCommands *m_machine = nullptr;
    TransferCommands *m_transfer = nullptr;
    PrintCommands *m_print = nullptr;
    Journal *m_journal = nullptr;          // outlives the transfer commands: made after them
    frmJournal *m_journalWindow = nullptr; // made when first asked for, then kept
    bool m_loaded = false;
    bool m_folderRestored = false;
    bool m_listenOnceRestored = false;
    // Until the window manager's frame is known, the outer size asked for cannot be met exactly.
    std::optional<WindowPlacement> m_pendingOuter;
};
