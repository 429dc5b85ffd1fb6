// SPDX-License-Identifier: GPL-2.0-or-later
#include "ControllerSimulator.h"
#include "browser/FileListView.h"
#include "platform/system/TerminationSignals.h"
#include "shell/CommandNames.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "shell/MainToolBar.h"
#include "shell/Startup.h"
#include "support/BindMount.h"
#include "support/MainWindowFixture.h"
#include "support/TestDir.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTextEdit>

#include <csignal>

using Answer = MessageBoxes::Answer;

namespace {

const QString CloseQuestion = QStringLiteral("通信中です。\n通信を中止して終了しますか？");

// The machine at the far end of COM1, the default settings file's port: the simulated controller on a
// pseudo-terminal, at the settings' 4800 baud.
struct Machine {
    Machine()
    {
        if (!controller.openPseudoTerminal())
            qFatal("no pseudo-terminal");
        qputenv("TALVERN_COM1", controller.slavePath().toLocal8Bit());
        controller.setLineSpeed(4800, 11);
    }
    ~Machine() { qunsetenv("TALVERN_COM1"); }
    bool receivesMore()
    {
        const qsizetype had = controller.received().size();
        return QTest::qWaitFor([&] { return controller.received().size() > had; });
    }
    ControllerSimulator controller;
};

QStringList logLines(const frmMain &form)
{
    return form.Text2->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

// Transfers as the main window runs them: from its toolbar and menus, beside its other panes and the
// commands of its file list, and at its close.
class tst_TransferWindow : public QObject {
    Q_OBJECT

    TestDir m_folder;

    frmMain &start(MainWindowFixture &window, const QString &folder = {}, bool scripted = true)
    {
        window.useScriptedPort = scripted;
        frmMain &form = window.start(folder.isEmpty() ? m_folder.path() : folder);
        if (!folder.isEmpty()) { // its one file marked
            form.lvListView->setCurrentIndex(form.lvListView->row(0));
            form.lvListView->selectionModel()->select(form.lvListView->row(0), QItemSelectionModel::Select |
                                                                                   QItemSelectionModel::Rows);
        }
        return form;
    }

    static QStringList marked(const FileListView *list)
    {
        QStringList names;
        for (const QModelIndex &row : list->selectionModel()->selectedRows())
            names << row.data().toString();
        names.sort();
        return names;
    }

private slots:
    void initTestCase()
    {
        m_folder.addFile(QStringLiteral("A.MIN"), "O1\r\n");
        m_folder.addFile(QStringLiteral("B.MIN"), "O2\r\n");
        // A click on a marked name opens its rename editor after this time: the test need not wait long.
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(50);
    }

    // The user marks A and B, clicks A's name once more (which opens the list's rename editor on it),
    // sends from the toolbar and aborts with the mouse before the machine asks: nothing was sent, and
    // the abort dialog taking the focus from the editor must not rebuild the list and drop the marks.
    void anAbortByMouseKeepsTheMarksOfFilesNotSent()
    {
        MainWindowFixture window;
        frmMain &form = start(window);
        FileListView *list = form.lvListView;
        auto nameOf = [list](int row) { return list->visualRect(list->model()->index(row, 0)).center(); };
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, nameOf(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, nameOf(0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, nameOf(0));
        QTRY_VERIFY(list->findChild<QLineEdit *>());
        QCOMPARE(marked(list), (QStringList{"A.MIN", "B.MIN"}));
        bool dialogActive = false;
        QTimer::singleShot(0, this, [&] {
            frmCancelSend *dialog = form.transfer()->dialog();
            dialog->activateWindow(); // what a press on a window does first
            dialogActive = QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; });
            QTest::mouseClick(dialog->Command1, Qt::LeftButton);
        });
        QTest::mouseClick(form.tbToolBar->widgetForAction(form.tbToolBar->button(1)), Qt::LeftButton);
        QTRY_VERIFY(!form.transfer()->running());
        QVERIFY(dialogActive);
        QVERIFY(form.Text2->toPlainText().endsWith(QStringLiteral("送信がキャンセルされました。\n")));
        QCOMPARE(marked(list), (QStringList{"A.MIN", "B.MIN"}));
    }

    // A machine punching as fast as a pseudo-terminal goes, into the window as the program runs it, its
    // line on a thread of its own: the program is stored whole, and the pane shows its last lines, of
    // the long one its first 4 KB.
    void aFastReceptionShowsOnlyWhatThePaneKeeps()
    {
        Machine machine;
        machine.controller.setLineSpeed(0, 10);
        TestDir folder;
        folder.addFile(QStringLiteral("OLD.MIN"), "O1\r\n");
        MainWindowFixture window;
        frmMain &form = start(window, folder.path(), false);
        QByteArray body;
        QString kept;
        for (int i = 0, count = 40 * TransferCommands::EchoLines; i < count; ++i) {
            body += "N" + QByteArray::number(i).rightJustified(6, '0') + " G01 X1.\r\n";
            if (i > count - TransferCommands::EchoLines + 1)
                kept += QString::fromLatin1(body.last(17).first(15)) + '\n';
        }
        body += QByteArray(3 * 4096, 'X') + "\r\n";
        kept += QString(4096, QLatin1Char('X')) + '\n';
        QTimer::singleShot(0, &form, [&] {
            if (QTest::qWaitFor([&form] { return form.transfer()->dialog()->isVisible(); }))
                machine.controller.punch("FAST.MIN", body);
        });
        form.menus()->item(CommandNames::mnuTransInput)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!form.transfer()->running(), 60'000);
        QFile stored(folder.filePath(QStringLiteral("FAST.MIN")));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), body);
        QCOMPARE(form.Text1->toPlainText(), kept);
    }

    // A program arriving in the shown folder is listed once it is whole, with all its bytes: the list
    // refreshed meanwhile (for a file someone else adds) keeps its marks and shows nothing of it, not
    // even the hidden file it arrives in, while the echo shows what came.
    void aProgramArrivingIsListedWhenWhole()
    {
        MainWindowFixture window;
        frmMain &form = start(window);
        form.lvListView->selectionModel()->select(form.lvListView->row(1),
                                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const auto listed = [&form](const QString &name) {
            return form.lvListView->model()->match(form.lvListView->row(0), Qt::DisplayRole, name, -1,
                                                   Qt::MatchExactly);
        };
        QStringList rowsMeanwhile, marksMeanwhile;
        QString paneMeanwhile;
        window.punchOnceListening("$NEW.MIN%\r\nG0 X1\r\n", [&] {
            const auto drawn = [&form] { return !form.Text1->toPlainText().isEmpty(); }; // a little later
            paneMeanwhile = QTest::qWaitFor(drawn) ? form.Text1->toPlainText() : QString();
            m_folder.addFile(QStringLiteral("OTHER.MIN"), "");
            if (QTest::qWaitFor([&] { return listed(QStringLiteral("OTHER.MIN")).size() == 1; })) {
                for (const FileRow &row : form.lvListView->rows())
                    rowsMeanwhile << row.text;
            }
            marksMeanwhile = marked(form.lvListView);
            window.scriptedPort.feed("M30\r\n%");
        });
        form.menus()->item(QStringLiteral("mnuTransInput"))->trigger();
        QTRY_VERIFY(!form.transfer()->running());
        QCOMPARE(rowsMeanwhile, (QStringList{"A.MIN", "B.MIN", "OTHER.MIN"}));
        QCOMPARE(marksMeanwhile, QStringList{QStringLiteral("B.MIN")});
        QCOMPARE(paneMeanwhile, QStringLiteral("G0 X1\n"));
        QTRY_COMPARE(listed(QStringLiteral("NEW.MIN")).size(), 1);
        QCOMPARE(listed(QStringLiteral("NEW.MIN"))
                     .first()
                     .siblingAtColumn(FileListView::SizeColumn)
                     .data()
                     .toString(),
                 QStringLiteral("12"));
        QVERIFY(QFile::remove(m_folder.filePath(QStringLiteral("NEW.MIN"))));
        QVERIFY(QFile::remove(m_folder.filePath(QStringLiteral("OTHER.MIN"))));
    }

    // The close, SIGTERM (the session's end, kill) and SIGTERM while the close's question is open all
    // end a reception within the close, what arrived on the disk under the program's name and the
    // settings written; a signal asks nothing.
    void closingMidReceptionKeepsWhatArrived_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("asked");
        QTest::newRow("closed, yes") << "close" << QStringList{CloseQuestion};
        QTest::newRow("SIGTERM") << "signal" << QStringList();
        QTest::newRow("SIGTERM while asked, no") << "signal while asked" << QStringList{CloseQuestion};
    }

    void closingMidReceptionKeepsWhatArrived()
    {
        QFETCH(QString, how);
        MainWindowFixture window;
        frmMain &form = start(window);
        const TerminationSignals termination;
        QVERIFY(termination.installed()); // else the signal would end the test
        Startup::closeAtSessionEnd(form, termination);
        QSignalSpy heard(&termination, &TerminationSignals::received);
        window.messages.answers = {how == "close" ? Answer::Yes : Answer::No};
        window.messages.whileAsking = [&] {
            if (how == "signal while asked" && std::raise(SIGTERM) == 0)
                heard.wait();
        };
        QByteArray onDisk;
        bool closed = false;
        bool portOpenAfterClose = true;
        window.punchOnceListening("$KEEP.MIN%\r\nG0 X1\r\nG1 Y");
        connect(form.Text1, &QTextEdit::textChanged, this, [&] { // the echo is on in the default settings
            if (!form.Text1->toPlainText().endsWith("G1 Y") || !portOpenAfterClose)
                return;
            QTimer::singleShot(0, this, [&] { // once the last byte has been written too
                if (how == "signal")
                    std::raise(SIGTERM);
                else
                    form.close();
                closed = QTest::qWaitFor([&form] { return !form.isVisible(); });
                QFile file(m_folder.filePath(QStringLiteral("KEEP.MIN")));
                if (file.open(QIODevice::ReadOnly))
                    onDisk = file.readAll();
                portOpenAfterClose = window.scriptedPort.portOpen();
            });
        });
        form.menus()->item(QStringLiteral("mnuTransInput"))->trigger();
        QTRY_VERIFY(!form.transfer()->running());
        QVERIFY(closed);
        QStringList asked;
        for (const ScriptedMessageBoxes::Shown &shown : window.messages.shown)
            asked << shown.text;
        QTEST(asked, "asked");
        QCOMPARE(onDisk, QByteArray("G0 X1\r\nG1 Y"));
        QCOMPARE(QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"A.MIN", "B.MIN", "KEEP.MIN"})); // nothing else, hidden or not, is left behind
        QVERIFY(!portOpenAfterClose);
        QCOMPARE(window.written()->value(QStringLiteral("OpenPathName")).toString(), m_folder.path());
        QFile::remove(m_folder.filePath(QStringLiteral("KEEP.MIN")));
    }

    // An accidental close during a drip feed asks, and the send goes on meanwhile: "No" keeps it going,
    // "Yes" ends it and closes the port, and a send that ended meanwhile leaves "Yes" nothing to stop.
    void closingDuringASendAsks_data()
    {
        QTest::addColumn<int>("lines"); // of the program sent; none: nothing is sent
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QString>("lastLog");
        QTest::newRow("nothing running") << 0 << Answer::No << "設定ファイル'OSP-E100.MCH'を読み込みました。";
        QTest::newRow("no: the send goes on") << 400 << Answer::No << "送信がキャンセルされました。";
        QTest::newRow("yes: the send ends") << 400 << Answer::Yes << "P.MINを送信中です...";
        QTest::newRow("yes once the send has ended") << 1 << Answer::Yes << "送信が完了しました。";
    }

    void closingDuringASendAsks()
    {
        QFETCH(int, lines);
        QFETCH(Answer, answer);
        Machine machine;
        TestDir folder;
        folder.addFile(QStringLiteral("P.MIN"), "O1000\r\n" + QByteArray("G01 X1.0\r\n").repeated(lines - 1));
        MainWindowFixture window;
        frmMain &form = start(window, folder.path(), false);
        bool wentOnWhileAsked = false;
        window.messages.answers = {answer};
        window.messages.whileAsking = [&] {
            machine.controller.startReading();
            const auto ended = [&form] { return !form.transfer()->running(); };
            wentOnWhileAsked = lines > 1 ? machine.receivesMore() : QTest::qWaitFor(ended, 60'000);
        };
        if (lines > 0) // the send waits for the machine to read
            form.menus()->item(CommandNames::mnuTransOutput)->trigger();
        form.close();
        const bool kept = lines > 0 && answer == Answer::No;
        QCOMPARE(form.isVisible(), kept);
        QCOMPARE(window.messages.shown.size(), lines > 0 ? 1 : 0);
        if (lines > 0) {
            QCOMPARE(window.messages.shown.first().text, CloseQuestion);
            // Enter must not stop a drip feed.
            QCOMPARE(window.messages.shown.first().buttons, MessageBoxes::Buttons::YesNoDefaultNo);
            QVERIFY(wentOnWhileAsked);
        }
        if (kept) {
            QVERIFY(machine.receivesMore());
            form.transfer()->dialog()->Command1->click();
        }
        QTRY_VERIFY(!form.transfer()->running());
        QVERIFY(!window.port.portOpen());
        QTEST(logLines(form).value(logLines(form).size() - 1), "lastLog");
    }

    // A share that stops answering holds up neither the close nor the window: the close returns while
    // the share is still stopped, and for a reception the log says what did not reach the disk. The
    // send's file is still to be opened as the share stops; the close comes once that waits on it.
    void closingDoesNotWaitOnAStoppedShare_data()
    {
        QTest::addColumn<bool>("receiving");
        QTest::newRow("reception into it") << true;
        QTest::newRow("send from it") << false;
    }

    void closingDoesNotWaitOnAStoppedShare()
    {
        QFETCH(bool, receiving);
        TestDir underneath;
        underneath.addFile(QStringLiteral("BIG.MIN"), QByteArray("G01 X1.0\r\n").repeated(1000));
        BindMount share(underneath.path());
        QSKIP_WITHOUT_OWN_MOUNTS();
        QVERIFY2(share.failure().isEmpty(), qPrintable(share.failure()));
        MainWindowFixture window;
        frmMain &form = start(window, share.path());
        if (receiving) {
            window.punchOnceListening("$KEEP.MIN%\r\nG0 X1\r\n");
            form.menus()->item(CommandNames::mnuTransInput)->trigger();
            QTRY_VERIFY(form.Text1->toPlainText().contains(QStringLiteral("G0 X1")));
        }
        const QStringList logBefore = logLines(form);
        window.messages.answers = {Answer::Yes};
        {
            StoppedShare stopped(share);
            if (!receiving) {
                form.menus()->item(CommandNames::mnuTransOutput)->trigger();
                window.scriptedPort.feed("\x11"); // the machine reads
                QTRY_VERIFY(BindMount::holdsUpAThread());
            }
            form.close();
            QVERIFY(!stopped.wentOnByItself());
        }
        QVERIFY(!form.isVisible());
        const QStringList logAfter = logLines(form);
        QCOMPARE(logAfter.mid(0, logBefore.size()), logBefore);
        QCOMPARE(logAfter.size(), logBefore.size() + (receiving ? 1 : 0));
        if (receiving)
            QVERIFY2(logAfter.last().contains(QStringLiteral("KEEP.MIN")), qPrintable(logAfter.last()));
    }

    // The window stays live while a reception waits: a print then leaves the reception's log lines and
    // its file alone, and the reception goes on.
    void printingWhileAReceptionWaits()
    {
        MainWindowFixture window;
        frmMain &form = start(window, m_folder.path()); // A.MIN marked
        window.punchOnceListening("$NEW.MIN%\r\nG0 X1\r\n", [&] {
            QVERIFY(QTest::qWaitFor(
                [&] { return form.Text2->toPlainText().contains(QStringLiteral("読込中")); }));
            form.menus()->item(CommandNames::mnuFilePrint)->trigger();
            window.scriptedPort.feed("M30\r\n%");
        });
        form.menus()->item(CommandNames::mnuTransInput)->trigger();
        QTRY_VERIFY(!form.transfer()->running());
        QCOMPARE(window.recordingPrinter.documents, QStringList{"A.MIN"});
        QVERIFY(form.Text2->toPlainText().indexOf(QStringLiteral("A.MINを印刷中です...")) > 0);
        QFile received(m_folder.filePath(QStringLiteral("NEW.MIN")));
        QVERIFY(received.open(QIODevice::ReadOnly));
        QCOMPARE(received.readAll(), QByteArray("G0 X1\r\nM30\r\n"));
        QVERIFY(received.remove());
    }
};

QTEST_MAIN(tst_TransferWindow)
#include "tst_TransferWindow.moc"
