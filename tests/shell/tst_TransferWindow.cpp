// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListView.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "shell/MainToolBar.h"
#include "support/MainWindowFixture.h"
#include "support/TestDir.h"
#include "transfer/TransferCommands.h"
#include "transfer/frmCancelSend.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleHints>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

// Transfers as the main window runs them: from its toolbar and menus, beside its other panes, and at its
// close.
class tst_TransferWindow : public QObject {
    Q_OBJECT

    TestDir m_folder;

    frmMain &start(MainWindowFixture &window)
    {
        window.useScriptedPort = true;
        window.preset(QStringLiteral("OpenPathName"), m_folder.path());
        return window.start();
    }

    static QStringList marked(const FileListView *list)
    {
        QStringList names;
        for (const QTreeWidgetItem *row : list->selectedItems())
            names << row->text(FileListView::NameColumn);
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
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
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

    // A program arriving in the shown folder is listed once it is whole, with all its bytes: the list
    // refreshed meanwhile (for a file someone else adds) keeps its marks and shows nothing of it, not
    // even the hidden file it arrives in, while the echo shows what came.
    void aProgramArrivingIsListedWhenWhole()
    {
        MainWindowFixture window;
        frmMain &form = start(window);
        form.lvListView->row(1)->setSelected(true);
        const auto listed = [&form](const QString &name) {
            return form.lvListView->findItems(name, Qt::MatchExactly);
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
        QCOMPARE(listed(QStringLiteral("NEW.MIN")).size(), 1);
        QCOMPARE(listed(QStringLiteral("NEW.MIN")).first()->text(FileListView::SizeColumn),
                 QStringLiteral("12"));
        QVERIFY(QFile::remove(m_folder.filePath(QStringLiteral("NEW.MIN"))));
        QVERIFY(QFile::remove(m_folder.filePath(QStringLiteral("OTHER.MIN"))));
    }

    // The process ends at once, also in the middle of a reception: what arrived is on the disk first.
    void closingMidReceptionKeepsWhatArrived()
    {
        MainWindowFixture window;
        frmMain &form = start(window);
        QByteArray onDisk;
        bool portOpenAfterClose = true;
        window.punchOnceListening("$KEEP.MIN%\r\nG0 X1\r\nG1 Y");
        connect(form.Text1, &QTextEdit::textChanged, this, [&] { // the echo is on in the default settings
            if (!form.Text1->toPlainText().endsWith("G1 Y") || !portOpenAfterClose)
                return;
            QTimer::singleShot(0, this, [&] { // once the last byte has been written too
                form.close();
                QFile file(m_folder.filePath(QStringLiteral("KEEP.MIN")));
                if (file.open(QIODevice::ReadOnly))
                    onDisk = file.readAll();
                portOpenAfterClose = window.scriptedPort.portOpen();
            });
        });
        form.menus()->item(QStringLiteral("mnuTransInput"))->trigger();
        QTRY_VERIFY(!form.transfer()->running());
        QCOMPARE(onDisk, QByteArray("G0 X1\r\nG1 Y"));
        QCOMPARE(QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"A.MIN", "B.MIN", "KEEP.MIN"})); // nothing else, hidden or not, is left behind
        QVERIFY(!portOpenAfterClose);
        QCOMPARE(window.written()->value(QStringLiteral("OpenPathName")).toString(), m_folder.path());
        QFile::remove(m_folder.filePath(QStringLiteral("KEEP.MIN")));
    }
};

QTEST_MAIN(tst_TransferWindow)
#include "tst_TransferWindow.moc"
