#include "browser/FileListView.h"
#include "shell/MainMenus.h"
#include "support/MainWindowFixture.h"
#include "support/TestDir.h"
#include "transfer/TransferCommands.h"
#include "transfer/frmCancelSend.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

// Transfers as the main window runs them: from its menus, beside its other panes, and at its close.
class tst_TransferWindow : public QObject {
    Q_OBJECT

    TestDir m_folder;

    frmMain &start(MainWindowFixture &window)
    {
        window.useScriptedPort = true;
        window.preset(QStringLiteral("OpenPathName"), m_folder.path());
        return window.start();
    }

private slots:
    void closingMidReceptionKeepsWhatArrived()
    {
        MainWindowFixture window;
        frmMain &form = start(window);
        QByteArray onDisk;
        bool portOpenAfterClose = true;
        window.scriptedPort.feed("$KEEP.MIN%\r\nG0 X1\r\nG1 Y");
        QTimer::singleShot(100, this, [&] {
            form.close();
            QFile file(m_folder.filePath(QStringLiteral("KEEP.MIN")));
            if (file.open(QIODevice::ReadOnly))
                onDisk = file.readAll();
            portOpenAfterClose = window.scriptedPort.portOpen();
            form.transfer()->dialog()->Command1->click(); // the test's process lives on: end the wait
        });
        form.menus()->item(QStringLiteral("mnuTransInput"))->trigger();
        QCOMPARE(onDisk, QByteArray("G0 X1\r\nG1 Y"));
        QVERIFY(!portOpenAfterClose);
        QCOMPARE(window.written()->value(QStringLiteral("OpenPathName")).toString(), m_folder.path());
    }

    void thePreviewWaitsWhileTheAbortDialogIsUp()
    {
        m_folder.addFile(QStringLiteral("A.MIN"), "O1\r\n");
        m_folder.addFile(QStringLiteral("B.MIN"), "O2\r\n");
        MainWindowFixture window;
        frmMain &form = start(window);
        form.lvListView->setCurrentItem(form.lvListView->row(0));
        form.lvListView->row(0)->setSelected(true);
        QString paneDuringSend = "unset";
        QTimer::singleShot(50, this, [&] {
            form.lvListView->setCurrentItem(form.lvListView->row(1), 0, QItemSelectionModel::NoUpdate);
            form.PreviewListedFile();
            paneDuringSend = form.Text1->toPlainText();
            form.transfer()->dialog()->Command1->click();
        });
        form.tbToolBar_ButtonClick(QStringLiteral("Upload")); // waits for the machine's DC1
        QCOMPARE(paneDuringSend, QString());
        QCOMPARE(window.state.CurrentFileName, QStringLiteral("A.MIN"));
    }

    void aSecondTransferCommandWaitsForTheFirst()
    {
        MainWindowFixture window;
        frmMain &form = start(window);
        int opensDuring = -1;
        QTimer::singleShot(50, this, [&] {
            form.menus()->item(QStringLiteral("mnuPopupInput"))->trigger();
            opensDuring = window.scriptedPort.opened;
            form.transfer()->dialog()->Command1->click();
        });
        form.menus()->item(QStringLiteral("mnuTransInputCont"))->trigger();
        QCOMPARE(opensDuring, 1);
        QVERIFY(form.transfer()->receiveMode());
    }
};

QTEST_MAIN(tst_TransferWindow)
#include "tst_TransferWindow.moc"
