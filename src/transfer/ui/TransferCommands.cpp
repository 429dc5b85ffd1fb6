// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/ui/TransferCommands.h"

#include "core/FileRows.h"
#include "core/ListenSettings.h"
#include "core/Log.h"
#include "core/MarkedRows.h"
#include "core/SteadyLineClock.h"
#include "platform/serial/SerialPort.h"
#include "platform/ui/MessageBoxes.h"
#include "transfer/engine/ReceiveJob.h"
#include "transfer/engine/SendJob.h"
#include "transfer/engine/TransferLine.h"
#include "transfer/ui/ProgramNo.h"
#include "transfer/ui/frmCancelSend.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QSemaphore>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QThread>
#include <atomic>

TransferCommands::TransferCommands(AppState &state, SerialPort &port, MessageBoxes &messages, Log &log,
                                   QTextEdit *echoPane, FileRows &files, QWidget *window, LinePlacement line)
    : QObject(window), m_state(state), m_messages(messages), m_log(log), m_echoPane(echoPane), m_files(files),
      m_window(window), m_dialog(new frmCancelSend(state.Transfer, window))
{
    if (!line.clock) {
        m_steadyClock = std::make_unique<SteadyLineClock>();
        line.clock = m_steadyClock.get();
    }
    m_line = new TransferLine(port, *line.clock, state.Transfer.Receiving);
    if (line.ownThread) {
        m_thread = new QThread(this);
        m_thread->setObjectName(QStringLiteral("line"));
        m_line->moveToThread(m_thread);
        // The port lives with the line for the window's life; machine commands hand it settings by
        // queued calls. It comes home only as the line's thread ends.
        port.moveToThread(m_thread);
        connect(
            m_thread, &QThread::finished, m_line, [&port, home = thread()] { port.moveToThread(home); },
            Qt::DirectConnection);
        m_thread->start(QThread::TimeCriticalPriority);
    }
    m_redrawSoon.setSingleShot(true);
    m_redrawSoon.setInterval(50);
    connect(&m_redrawSoon, &QTimer::timeout, this, &TransferCommands::redraw);
    // The jobs' own signals, queued across to the window; what comes often is taken there directly.
    const SendJob *send = m_line->sendJob();
    const ReceiveJob *receive = m_line->receiveJob();
    connect(send, &SendJob::current, this, [this](const QString &name) {
        if (!m_listening)
            m_state.CurrentFileName = name;
    });
    connect(send, &SendJob::prompt, this, [this](const QString &text) {
        if (!m_listening)
            showDialog(text);
    });
    connect(receive, &ReceiveJob::waiting, this, [this](const QString &text) {
        m_dialog->setProgress(0, -1);
        showDialog(text);
    });
    connect(send, &SendJob::progress, m_dialog, &frmCancelSend::setProgress);
    connect(
        send, &SendJob::echoCleared, this,
        [this] {
            fromLine([this] {
                m_echo.clear();
                m_clearEcho = !m_listeningOnLine;
            });
        },
        Qt::DirectConnection);
    // Listening, the data pane stays the operator's preview: the log tells what comes and goes.
    const auto echo = [this](const QString &text) {
        fromLine([&] {
            if (!m_listeningOnLine)
                m_echo.append(text);
        });
    };
    connect(send, &SendJob::echo, this, echo, Qt::DirectConnection);
    connect(receive, &ReceiveJob::echo, this, echo, Qt::DirectConnection);
    connect(m_line, &TransferLine::logLine, this, [this](const QString &line) { m_log.addLine(line); });
    connect(send, &SendJob::sent, this, [this](const QString &diskName) {
        if (!m_listening && m_state.CurrentFolder == m_sendFolder) // another folder lists other files
            m_files.unmark(diskName);
    });
    connect(
        receive, &ReceiveJob::received, this,
        [this](qint64 bytes) { fromLine([this, bytes] { m_receivedCount = bytes; }); }, Qt::DirectConnection);
    connect(send, &SendJob::ended, this, [this] {
        if (!m_listening)
            ended(false);
    });
    connect(receive, &ReceiveJob::ended, this,
            [this](bool failed) { m_listening ? listenEnded() : ended(!failed); });
    connect(m_dialog, &frmCancelSend::aborted, this, [this] { onLine([line = m_line] { line->abort(); }); });
}

// The window's widgets may be gone already: only the line is stopped. A line's thread that does not
// end in time is stuck on something it waits for: it is left running with all it uses (Qt never
// destroys a running thread), and the process's exit ends it.
TransferCommands::~TransferCommands()
{
    // What the line reports reaches this directly from its thread, which may outlive this: no report
    // starts from now on, and one under way is done once the lock is free.
    for (const QObject *from : {static_cast<QObject *>(m_line), static_cast<QObject *>(m_line->sendJob()),
                                static_cast<QObject *>(m_line->receiveJob())})
        disconnect(from, nullptr, this, nullptr);
    {
        const std::lock_guard hold(m_waitingLock);
    }
    if (QString unsaved; lineBusy())
        stopLine(unsaved);
    if (m_thread) {
        m_thread->quit();
        if (!m_thread->wait(QDeadlineTimer(StopMs))) {
            m_thread->setParent(nullptr);
            (void)m_steadyClock.release();
            return;
        }
    }
    delete m_line;
}

// The line's thread, when it has one, is where the port and the jobs do their work.
template <typename Call> void TransferCommands::onLine(Call call)
{
    QMetaObject::invokeMethod(m_line, std::move(call), Qt::AutoConnection);
}

bool TransferCommands::mayClose()
{
    // Listening alone waits for nobody; a program on its way would be cut short.
    if (!m_askOnClose || !(m_state.Transfer.Running || (m_listening && lineCarries())))
        return true;
    m_asking = true;
    const MessageBoxes::Answer answer =
        m_messages.show(QStringLiteral("通信中です。\n通信を中止して終了しますか？"), QString(),
                        MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::YesNoDefaultNo);
    m_asking = false;
    return answer == MessageBoxes::Answer::Yes || !m_askOnClose;
}

// Asked of the line's thread, which never waits on anything for long; one that does not answer at once
// may be in the middle of a program.
bool TransferCommands::lineCarries()
{
    if (!m_thread)
        return m_line->carrying();
    const auto answer = std::make_shared<std::atomic<int>>(-1);
    const auto answered = std::make_shared<QSemaphore>();
    QMetaObject::invokeMethod(m_line, [line = m_line, answer, answered] {
        *answer = line->carrying();
        answered->release();
    });
    return !answered->tryAcquire(1, StopMs) || *answer != 0;
}

void TransferCommands::closeWithoutAsking()
{
    m_askOnClose = false;
    if (QWidget *question = m_asking ? QApplication::activeModalWidget() : nullptr)
        question->close();
}

// Also when idle: a reception's writer may still be waiting on a share and tell the line later.
bool TransferCommands::shutdown()
{
    if (m_lineHeld)
        return false;
    const bool busy = lineBusy();
    QString unsaved;
    m_lineHeld = !stopLine(unsaved);
    if (!unsaved.isEmpty())
        m_log.addLine(unsaved);
    if (busy)
        ended(false);
    return !m_lineHeld;
}

// The line stops at once on this thread, else as soon as its own thread gets to it; what it received
// then has the rest of StopMs to reach the disk, and unsaved says what did not. False when the line's
// thread did not answer in time: nothing here waits on it for longer.
bool TransferCommands::stopLine(QString &unsaved)
{
    const QDeadlineTimer deadline(StopMs);
    bool answered = true;
    if (m_thread && m_thread->isRunning()) {
        const auto stopped = std::make_shared<QSemaphore>();
        QMetaObject::invokeMethod(
            m_line,
            [line = m_line, stopped] {
                line->shutdown();
                stopped->release();
            },
            Qt::QueuedConnection);
        answered = stopped->tryAcquire(1, int(deadline.remainingTime()));
    } else {
        m_line->shutdown();
    }
    unsaved = m_line->receiveJob()->settle(int(deadline.remainingTime()));
    return answered;
}

// One transfer at a time: a command given while one runs would share its port and its file.
bool TransferCommands::busy()
{
    if (lineBusy())
        m_log.addLine(QStringLiteral("通信中のため実行できません。"));
    return lineBusy();
}

void TransferCommands::begin()
{
    m_state.Transfer.Running = true;
    emit runningChanged(true);
}

void TransferCommands::ended(bool newFiles)
{
    m_dialog->hide();
    if (newFiles)
        m_files.RefreshFileList();
    redraw();
    m_echoPane->document()->setMaximumBlockCount(0); // the next preview shows whole
    m_state.Transfer.Running = false;
    emit runningChanged(false);
}

void TransferCommands::mnuTransOutput_Click()
{
    if (busy())
        return;
    const std::optional<FileRow> current = m_files.currentRow();
    if (!current || !current->selected)
        return;
    // A press on the abort dialog takes the focus, which would end a rename left open in the list and
    // rebuild it: the rows keep their marks instead.
    m_files.dropRename();
    const QList<FileRow> marked = MarkedRows::of(m_files, MarkedRows::Rule::SelectionOnly);
    begin();
    m_sendFolder = m_state.CurrentFolder;
    onLine([line = m_line, marked, folder = m_sendFolder, machine = m_state.Machine] {
        line->send(marked, folder, machine);
    });
}

void TransferCommands::mnuTransInput_Click()
{
    StartReception(false);
}

void TransferCommands::mnuTransInputCont_Click()
{
    StartReception(true);
}

void TransferCommands::StartReception(bool continuous)
{
    if (busy())
        return;
    begin();
    m_continuous = continuous;
    clearEcho();
    m_log.clear();
    // Asked before the port opens: nothing the machine sends meanwhile is taken for the program.
    QString typedName;
    if (!m_state.Machine.isOsp()) {
        ProgramNo dialog(typedName, m_state.CurrentFolder, m_messages, m_window);
        if (dialog.exec() != QDialog::Accepted || typedName.isEmpty())
            return ended(false);
    }
    onLine([line = m_line, continuous, folder = m_state.CurrentFolder, machine = m_state.Machine, typedName] {
        line->receive(continuous, folder, machine, typedName);
    });
}

void TransferCommands::setJournal(TransferRecords *journal)
{
    onLine([line = m_line, journal] { line->setJournal(journal); });
}

void TransferCommands::mnuTransListen_Click()
{
    if (m_listening)
        return onLine([line = m_line] { line->abort(); });
    if (busy())
        return;
    const ListenSettings settings = ListenSettings::load(m_state.SettingsFolder, m_state.Machine.MchFileName);
    const QString folder = settings.Folder.isEmpty() ? m_state.CurrentFolder : settings.Folder;
    m_listening = true;
    setListeningOnLine(true);
    emit listeningChanged(true);
    onLine([line = m_line, folder, machine = m_state.Machine, settings] {
        line->listen(folder, machine, settings);
    });
}

void TransferCommands::listenEnded()
{
    m_listening = false;
    setListeningOnLine(false);
    emit listeningChanged(false);
}

void TransferCommands::setListeningOnLine(bool on)
{
    const std::lock_guard hold(m_waitingLock);
    m_listeningOnLine = on;
}

void TransferCommands::showDialog(const QString &text)
{
    m_dialog->Label1->setText(text);
    m_dialog->show();
}

// On the line's thread, or on this one when the line has none.
template <typename Change> void TransferCommands::fromLine(Change change)
{
    const std::lock_guard hold(m_waitingLock);
    change();
    if (std::exchange(m_redrawAsked, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_redrawSoon.isActive())
                m_redrawSoon.start();
        },
        Qt::QueuedConnection);
}

void TransferCommands::clearEcho()
{
    {
        const std::lock_guard hold(m_waitingLock);
        m_echo.clear();
        m_clearEcho = false;
    }
    m_echoPane->clear();
}

// The echo goes at the end of the pane, which then shows its end. The pane's limit is set here
// rather than when the transfer starts: a preview still shown until the first echo keeps its start.
// Echo that would scroll out at once is never drawn: when more came than the pane keeps, the pane
// shows only the last of it.
void TransferCommands::redraw()
{
    m_redrawSoon.stop();
    bool dropped = false;
    QString echo;
    bool clear = false;
    qint64 received = -1;
    {
        const std::lock_guard hold(m_waitingLock);
        echo = m_echo.take(&dropped);
        clear = std::exchange(m_clearEcho, false) || dropped;
        received = std::exchange(m_receivedCount, -1);
        m_redrawAsked = false;
    }
    if (received >= 0)
        m_dialog->setProgress(received, -1);
    if (clear)
        m_echoPane->clear();
    if (echo.isEmpty())
        return;
    QTextDocument *document = m_echoPane->document();
    if (document->maximumBlockCount() == 0)
        document->setMaximumBlockCount(EchoLines);
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(echo);
    m_echoPane->setTextCursor(cursor);
}
