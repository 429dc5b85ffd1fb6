// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/frmMain.h"

#include "browser/DataPane.h"
#include "browser/DriveList.h"
#include "browser/FileListView.h"
#include "browser/FilePreview.h"
#include "browser/FileRenamer.h"
#include "browser/FocusColour.h"
#include "browser/FolderList.h"
#include "browser/FolderNavigator.h"
#include "core/AppState.h"
#include "fileops/CompanionTools.h"
#include "fileops/FileCommands.h"
#include "fileops/FolderCommands.h"
#include "journal/Journal.h"
#include "journal/JournalConfig.h"
#include "journal/ui/frmJournal.h"
#include "machine/MachineCommands.h"
#include "platform/files/NativeFile.h"
#include "platform/system/SystemRegistry.h"
#include "platform/system/ToolLocator.h"
#include "platform/ui/Twips.h"
#include "print/PrintCommands.h"
#include "shell/CommandNames.h"
#include "shell/CommandRouter.h"
#include "shell/FileCommandFocus.h"
#include "shell/LogPane.h"
#include "shell/MainLayout.h"
#include "shell/MainMenus.h"
#include "shell/MainStatusBar.h"
#include "shell/MainToolBar.h"
#include "shell/PersistedSettings.h"
#include "shell/frmAbout.h"
#include "transfer/ui/TransferCommands.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTextEdit>

namespace {

namespace C = CommandNames;

// What would change the port or the machine settings under a transfer or while listening.
const QLatin1StringView PortChanges[] = {C::mnuMachineSelect, C::mnuMachineNew, C::mnuMachinePropaty};
// What would start a second transfer. While listening they stay offered: the log then says why not.
const QLatin1StringView TransferStarts[] = {C::mnuTransOutput, C::mnuTransInput, C::mnuTransInputCont,
                                            C::mnuTransListen};

} // namespace

frmMain::frmMain(AppState &state, QSettings &store, const PlatformServices &services, QWidget *parent)
    : QMainWindow(parent), m_state(state), m_store(store), m_services(services)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Talvern Ver.1.40"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/talvern.svg")));
    createControls();
    routeCommands();
    connectPanes();
}

frmMain::~frmMain() = default;

void frmMain::createControls()
{
    m_menus = new MainMenus(menuBar());
    tbToolBar = new MainToolBar(this);
    addToolBar(Qt::TopToolBarArea, tbToolBar);
    sbStatusBar = new MainStatusBar(this);
    setStatusBar(sbStatusBar);
    m_router = new CommandRouter(*m_menus, *tbToolBar, this);

    auto *client = new QWidget(this);
    setCentralWidget(client);
    Drive1 = new DriveList(client);
    Drive1->resize(Drive1->sizeHint()); // keeps its natural height from here on
    Dir1 = new FolderList(client);
    lvListView = new FileListView(m_state, client);
    const QString titles[2] = {QStringLiteral(" ログ"), QStringLiteral(" データ")};
    for (int i = 0; i < 2; ++i) {
        lblTitle[i] = new QLabel(titles[i], client);
        lblTitle[i]->setObjectName(QStringLiteral("lblTitle%1").arg(i));
        lblTitle[i]->setFrameStyle(QFrame::Panel | QFrame::Raised);
        lblTitle[i]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    Text2 = new LogPane(client);
    Text1 = new QTextEdit(client);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAcceptRichText(false);
    Text1->setReadOnly(true); // a preview: nothing typed here would ever be saved
    Text1->setLineWrapMode(QTextEdit::NoWrap);
    QFont dataFont(QStringLiteral("ＭＳ ゴシック"));
    dataFont.setPointSizeF(9.75);
    dataFont.setStyleHint(QFont::TypeWriter);
    Text1->setFont(dataFont);
    Image1 = new QLabel(client);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->hide();
    m_data = std::make_unique<DataPane>(Text1, Image1);
    m_preview = std::make_unique<FilePreview>(m_state, *lvListView, *m_data, m_services.messages);
    m_renamer = std::make_unique<FileRenamer>(m_state, m_services.messages);
    m_toolLocator = std::make_unique<ToolLocator>();
    m_tools = std::make_unique<CompanionTools>(m_state, *lvListView, m_services.messages, m_services.launcher,
                                               *m_toolLocator);
    m_machine = new MachineCommands(m_state, m_services.port, m_services.fileDialogs, m_services.messages,
                                    *Text2, *sbStatusBar, this);
    m_transfer =
        new TransferCommands(m_state, m_services.port, m_services.messages, *Text2, Text1, *lvListView, this);
    m_print = new PrintCommands(m_state, *lvListView, m_services.printer, m_services.printDialogs,
                                m_services.messages, *Text2, this);
    m_journal = new Journal(JournalConfig::load(m_store), this);
    m_transfer->setJournal(m_journal);
    connect(m_journal, &Journal::logLine, Text2, &LogPane::addLine);

    for (QWidget *pane :
         {static_cast<QWidget *>(Drive1), static_cast<QWidget *>(Dir1), static_cast<QWidget *>(lvListView)})
        FocusColour::follow(pane);
    const std::pair<QWidget *, const char16_t *> paneNames[] = {
        {Drive1, u"ドライブ"}, {Dir1, u"フォルダー"}, {lvListView, u"ファイル一覧"},
        {Text2, u"ログ"},      {Text1, u"データ"},    {Image1, u"画像"}};
    for (const auto &[pane, name] : paneNames)
        pane->setAccessibleName(QString::fromUtf16(name));
    // Some platforms call a drop-down list by its value and it has no label: the description says it.
    Drive1->setAccessibleDescription(Drive1->accessibleName());

    // The panes start where the process stands, as the platform's own drive and folder lists do.
    Drive1->refreshFromSystem();
    const QString startedIn = QDir::currentPath();
    Drive1->setDrive(startedIn);
    Dir1->setPath(startedIn);
    m_navigator = new FolderNavigator(m_state, *Drive1, *Dir1, *lvListView, *m_data, *Text2,
                                      FolderClickSuppressed, this);
    m_fileCommands = std::make_unique<FileCommands>(m_state, *lvListView, Buffer, *m_navigator,
                                                    m_services.messages, *Text2);
    m_folderCommands = std::make_unique<FolderCommands>(m_state, *lvListView, *m_navigator,
                                                        m_services.messages, *Text2, this);
}

void frmMain::routeCommands()
{
    m_router->route(C::mnuFileExit, [this] { close(); });
    m_router->route(C::mnuHelpAbout, [this] {
        const SystemRegistry registry;
        frmAbout(registry, *m_toolLocator, m_services.launcher, m_services.messages, this).exec();
    });
    m_router->routeButton(QString::fromUtf16(C::tbCheckBoxes), [this] { lvListView->toggleCheckBoxes(); });
    m_router->route(C::mnuEditorOpen, [this] { m_tools->mnuEditorOpen_Click(); });
    m_router->route(C::mnuEditorNew, [this] { m_tools->mnuEditorNew_Click(); });
    m_router->route(C::mnuCommenterOpen, [this] { m_tools->mnuCommenterOpen_Click(); });
    m_router->route(C::mnuCommenterNew, [this] { m_tools->mnuCommenterNew_Click(); });
    m_router->route(C::mnuLaskar, [this] { m_tools->mnuLaskar_Click(); });
    m_router->route(C::mnuEditAllSelect, [this] { m_fileCommands->mnuEditAllSelect_Click(); });
    m_router->route(C::mnuEditCopy, [this] { m_fileCommands->mnuEditCopy_Click(); });
    m_router->route(C::mnuEditPaste, [this] { m_fileCommands->mnuEditPaste_Click(); });
    m_router->route(C::mnuFileDelete, [this] { m_fileCommands->mnuFileDelete_Click(); });
    m_router->route(C::mnuFileProtect, [this] { m_fileCommands->mnuFileProtect_Click(); });
    m_router->route(C::mnuFileUnprotect, [this] { m_fileCommands->mnuFileUnprotect_Click(); });
    m_router->route(C::mnuFolderNew, [this] { m_folderCommands->mnuFolderNew_Click(); });
    m_router->route(C::mnuFolderRename, [this] { m_folderCommands->mnuFolderRename_Click(); });
    m_router->route(C::mnuFolderDelete, [this] { m_folderCommands->mnuFolderDelete_Click(); });
    m_router->route(C::mnuMachineSelect, [this] { m_machine->mnuMachineSelect_Click(); });
    m_router->route(C::mnuMachineNew, [this] { m_machine->mnuMachineNew_Click(); });
    m_router->route(C::mnuMachinePropaty, [this] { m_machine->mnuMachinePropaty_Click(); });
    m_router->route(C::mnuTransOutput, [this] { m_transfer->mnuTransOutput_Click(); });
    m_router->route(C::mnuTransInput, [this] { m_transfer->mnuTransInput_Click(); });
    m_router->route(C::mnuTransInputCont, [this] { m_transfer->mnuTransInputCont_Click(); });
    m_router->route(C::mnuTransListen, [this] {
        m_transfer->mnuTransListen_Click();
        m_router->setChecked(C::mnuTransListen, m_transfer->listening()); // the click ticked it either way
    });
    m_router->route(C::mnuFilePrinterSetup, [this] { m_print->mnuFilePrinterSetup_Click(); });
    m_router->route(C::mnuFilePrint, [this] { m_print->mnuFilePrint_Click(); });
    m_router->route(C::mnuTransJournal, [this] { showJournal(); });
    connect(m_machine, &MachineCommands::communicationOffered, this, &frmMain::offerCommunication);
    connect(m_machine, &MachineCommands::controllerChosen, this, &frmMain::ApplyControllerRule);
    new FileCommandFocus(
        *m_router, *lvListView, [this] { ApplyControllerRule(); }, this);
    const auto lineHeld = [this](bool running, bool listening) {
        for (const QLatin1StringView command : PortChanges)
            m_router->setBlocked(command, CommandRouter::Reason::Transfer, running || listening);
        for (const QLatin1StringView command : TransferStarts)
            m_router->setBlocked(command, CommandRouter::Reason::Transfer, running && !listening);
    };
    connect(m_transfer, &TransferCommands::runningChanged, this,
            [this, lineHeld](bool running) { lineHeld(running, m_transfer->listening()); });
    connect(m_transfer, &TransferCommands::listeningChanged, this, [this, lineHeld](bool on) {
        m_router->setChecked(C::mnuTransListen, on);
        lineHeld(m_transfer->running(), on);
    });
}

void frmMain::connectPanes()
{
    // The panes below the toolbar follow its height, which settles only once the window is laid out.
    connect(tbToolBar, &MainToolBar::heightChanged, this, &frmMain::Form_Resize);
    connect(Drive1, &DriveList::change, m_navigator, &FolderNavigator::Drive1_Change);
    connect(Dir1, &FolderList::change, m_navigator, &FolderNavigator::Dir1_Change);
    connect(Dir1, &FolderList::clickNotified, m_navigator, &FolderNavigator::Dir1_Click);
    connect(Dir1, &FolderList::keyPressed, m_navigator, &FolderNavigator::Dir1_KeyPress);
    connect(Dir1, &FolderList::keyReleased, m_navigator, &FolderNavigator::Dir1_KeyUp);
    connect(m_navigator, &FolderNavigator::previewRequested, this, &frmMain::PreviewListedFile);
    connect(lvListView, &FileListView::clickNotified, this, &frmMain::PreviewListedFile);
    connect(lvListView, &FileListView::arrowReleased, this, &frmMain::PreviewListedFile);
    connect(lvListView, &FileListView::currentRowVanished, this,
            [this](const QString &text) { m_preview->rowVanished(text); });
    connect(lvListView, &FileListView::openRequested, this, [this] { m_tools->OpenListedFile(); });
    connect(lvListView, &FileListView::leftPressed, this, [this] { Dir1->setFocus(); });
    connect(lvListView, &FileListView::deletePressed, this, [this] { m_router->run(C::mnuFileDelete); });
    connect(lvListView, &FileListView::checkBoxesChanged,
            tbToolBar->face(QString::fromUtf16(C::tbCheckBoxes)), &QAction::setChecked);
    connect(lvListView, &FileListView::popupRequested, this,
            [this](const QPoint &at) { m_menus->popup()->popup(at); });
    connect(lvListView, &FileListView::renameRequested, this,
            [this](const QString &folder, const QString &oldText, const QString &diskName,
                   const QString &newText) {
                m_renamer->renameRow(folder, diskName, oldText, newText);
                lvListView->RefreshFileList();
            });
}

void frmMain::Show()
{
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    show();
}

void frmMain::Form_Load()
{
    setOuterGeometry(PersistedSettings::load(m_store, m_state));
    // The pop-up menu serves the file list only.
    m_menus->menu(C::mnuPopup)->menuAction()->setVisible(false);
    // The arrow keys move through folders; the file commands wait until the user enters the list.
    Dir1->setFocus();
    m_navigator->restore([this] {
        // The first file shows in the data pane once its folder is read.
        connect(lvListView, &FileListView::listed, this, &frmMain::PreviewListedFile,
                Qt::SingleShotConnection);
        lvListView->RefreshFileList();
        m_folderRestored = true;
        if (m_listenOnceRestored)
            listenIfOffered();
    });
}

void frmMain::Form_Unload()
{
    if (!isMinimized())
        PersistedSettings::save(m_store, outerGeometry(), m_state);
    // The program ends within a second, also mid-transfer: nothing more for the machine, the port
    // closed, and what was received is on the disk first as far as its share lets it. A line that does
    // not answer keeps its port to the process's end.
    // The journal then writes what it holds, within a second, before the process ends; a line that
    // does not answer may still tell it something, and keeps it.
    if (m_transfer->shutdown())
        delete std::exchange(m_journal, nullptr);
    emit unloaded();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (!m_transfer->mayClose())
        return event->ignore();
    Form_Unload();
    event->accept();
}

void frmMain::Form_Resize()
{
    if (isMinimized())
        return;
    const QRect outer = frameGeometry();
    const double t = Twips::fromPixels(tbToolBar->height());
    const MainLayout::Panes panes = {Drive1,      Dir1,  lvListView, lblTitle[0],
                                     lblTitle[1], Text1, Text2,      Image1};
    if (MainLayout::apply(panes, Twips::fromPixels(outer.width()), Twips::fromPixels(outer.height()), t,
                          Twips::fromPixels(Drive1->height()), t)) {
        m_data->refit(); // a picture keeps its proportions when the pane changes size
        return;
    }
    const int frameHeight = outer.height() - height();
    const int lowest = Twips::toPixels(MainLayout::MinimumHeight) - frameHeight;
    if (lowest != height())
        resize(width(), lowest);
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    fitPendingOuterGeometry();
    Form_Resize();
}

void frmMain::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    fitPendingOuterGeometry();
}

void frmMain::PreviewListedFile()
{
    m_preview->PreviewListedFile();
    if (m_journalWindow)
        m_journalWindow->showFile(listedFilePath());
}

// The journal reads no port: it opens during a transfer and while listening as at any time.
void frmMain::showJournal()
{
    if (!m_journalWindow)
        m_journalWindow = new frmJournal(m_journal->config(), m_services.fileDialogs, this);
    m_journalWindow->showFile(listedFilePath());
    m_journalWindow->show();
    m_journalWindow->raise();
    m_journalWindow->activateWindow();
}

QString frmMain::listedFilePath() const
{
    const std::optional<FileRow> row = lvListView->currentRow();
    return row ? NativeFile::join(QDir::fromNativeSeparators(m_state.CurrentFolder), row->diskName)
               : QString();
}

void frmMain::LoadStartupSettingsFile(const QString &given)
{
    m_machine->LoadStartupSettingsFile(given);
    ApplyControllerRule(); // a remembered FANUC file offers no continuous reception from the start
}

// Without a machine in force there is no line to talk over: its commands, wherever they are reached,
// and the toolbar rest.
void frmMain::offerCommunication(bool offered)
{
    m_router->setEntryBlocked(C::mnuMachinePropaty, CommandRouter::Reason::NoSettingsFile, !offered);
    m_router->setEntryBlocked(C::mnuTrans, CommandRouter::Reason::NoSettingsFile, !offered);
    for (const QLatin1StringView command :
         {C::mnuTransOutput, C::mnuTransInput, C::mnuTransInputCont, C::mnuTransListen})
        m_router->setBlocked(command, CommandRouter::Reason::NoSettingsFile, !offered);
    tbToolBar->setEnabled(offered);
}

void frmMain::ListenOnceRestored()
{
    m_listenOnceRestored = true;
    if (m_folderRestored)
        listenIfOffered();
}

// As the operator's click: nothing while the command is not offered, as without a settings file.
void frmMain::listenIfOffered()
{
    QAction *item = m_menus->item(C::mnuTransListen);
    if (item->isEnabled() && !m_transfer->listening())
        item->trigger();
}

// Continuous reception exists for OSP controllers only.
void frmMain::ApplyControllerRule()
{
    m_router->setBlocked(C::mnuTransInputCont, CommandRouter::Reason::Controller, !m_state.Machine.isOsp());
}

void frmMain::setOuterGeometry(const WindowPlacement &placement)
{
    const QRect outer = frameGeometry();
    const int frameWidth = outer.width() - width();
    const int frameHeight = outer.height() - height();
    move(Twips::toPixels(placement.MainLeft), Twips::toPixels(placement.MainTop));
    resize(Twips::toPixels(placement.MainWidth) - frameWidth,
           Twips::toPixels(placement.MainHeight) - frameHeight);
    if (frameWidth == 0 && frameHeight == 0)
        m_pendingOuter = placement;
}

void frmMain::fitPendingOuterGeometry()
{
    if (!m_pendingOuter || frameGeometry().size() == size())
        return;
    const WindowPlacement placement = *m_pendingOuter;
    m_pendingOuter.reset();
    setOuterGeometry(placement);
}

WindowPlacement frmMain::outerGeometry() const
{
    const QRect outer = frameGeometry();
    return {float(Twips::fromPixels(outer.x())), float(Twips::fromPixels(outer.y())),
            float(Twips::fromPixels(outer.width())), float(Twips::fromPixels(outer.height()))};
}
