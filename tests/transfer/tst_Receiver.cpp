#include "support/TransferRig.h"
#include "transfer/ProgramNo.h"
#include "transfer/frmCancelSend.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>

// Programs punched out at the machine, as they arrive one byte per read, into the folder shown.
class tst_Receiver : public QObject {
    Q_OBJECT

private:
    static QStringList filesIn(const TransferRig &rig)
    {
        return QDir(rig.folder.path()).entryList(QDir::Files);
    }

    // Punches the stream once the reception listens; continuous receptions are stopped after it.
    static void punch(TransferRig &rig, const QByteArray &stream, bool thenAbort = false)
    {
        QTimer::singleShot(0, &rig.port, [&rig, stream, thenAbort] {
            rig.port.feed(stream);
            if (thenAbort)
                QTimer::singleShot(200, rig.commands.dialog()->Command1, &QPushButton::click);
        });
    }

    static void answerProgramNo(const QString &typed)
    {
        QTimer::singleShot(0, [typed] {
            auto *dialog = qobject_cast<ProgramNo *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (typed.isEmpty()) {
                dialog->CancelButton->click();
                return;
            }
            dialog->Text1->setText(typed);
            dialog->OKButton->click();
        });
    }

private slots:
    void anOspProgramIsStoredUnderItsOwnName_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("cr lf header")
            << QByteArray("$o1000.min%\r\nG0 X0\r\nM30\r\n%") << QByteArray("G0 X0\r\nM30\r\n");
        QTest::newRow("lf header") << QByteArray("$O1000.MIN%\nG0\n%") << QByteArray("G0\n");
        QTest::newRow("leader and line control")
            << QByteArray("\0\0\0\x12$O1000.MIN%\r\nG0\r\n%\x14", 27) << QByteArray("G0\r\n");
        QTest::newRow("program right after the header")
            << QByteArray("$O1000.MIN%G0\r\n%") << QByteArray("G0\r\n");
    }

    void anOspProgramIsStoredUnderItsOwnName()
    {
        QFETCH(QByteArray, stream);
        TransferRig rig(0, 1);
        punch(rig, stream);
        rig.commands.mnuTransInput_Click();
        QCOMPARE(filesIn(rig), QStringList{QStringLiteral("O1000.MIN")});
        QTEST(rig.fileContent(QStringLiteral("O1000.MIN")), "body");
        QCOMPARE(rig.log(),
                 (QStringList{"O1000.MINを読込中です...", "読込が完了しました。", "受信を終了しました。"}));
        QCOMPARE(rig.port.inputLen(), 1);
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.files.rowCount(), 1);
    }

    void continuousReceptionStoresProgramsUntilAborted()
    {
        TransferRig rig(0, 1);
        rig.folder.addFile(QStringLiteral("a.min"), "old");
        punch(rig, "$A.MIN%\r\nA1\r\n%$B.SUB%\r\nB1\r\n%", true);
        rig.commands.mnuTransInputCont_Click();
        const QStringList stored = filesIn(rig);
        QCOMPARE(QSet<QString>(stored.begin(), stored.end()), (QSet<QString>{"B.SUB", "a.min"}));
        QCOMPARE(rig.fileContent(QStringLiteral("a.min")), QByteArray("A1\r\n"));
        QCOMPARE(rig.fileContent(QStringLiteral("B.SUB")), QByteArray("B1\r\n"));
        QCOMPARE(rig.log().size(), 5);
        QCOMPARE(rig.log().last(), QStringLiteral("受信を終了しました。"));
    }

    void anAbortKeepsWhatHasArrived()
    {
        TransferRig rig(0, 1);
        rig.state.Machine.Echo = QStringLiteral("ON");
        punch(rig, "$A.MIN%\r\nG0 X1\r\nG1", true);
        rig.commands.mnuTransInput_Click();
        QCOMPARE(rig.fileContent(QStringLiteral("A.MIN")), QByteArray("G0 X1\r\nG1"));
        QVERIFY(rig.text.toPlainText().contains(QStringLiteral("G0 X1")));
        QVERIFY(rig.text.toPlainText().endsWith(QStringLiteral("G1")));
        QCOMPARE(rig.log().last(), QStringLiteral("受信を終了しました。"));
    }

    void aFanucProgramIsNamedByTheUser_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::newRow("percent, lf") << QByteArray("\0\0%\nO1234\nM30\n%", 16);
        QTest::newRow("percent, cr lf") << QByteArray("%\r\nO1234\nM30\n%");
        QTest::newRow("percent, program at once") << QByteArray("%O1234\nM30\n%");
    }

    void aFanucProgramIsNamedByTheUser()
    {
        QFETCH(QByteArray, stream);
        TransferRig rig(1, 1);
        answerProgramNo(QStringLiteral("o1234"));
        punch(rig, stream);
        rig.commands.mnuTransInputCont_Click(); // FANUC stops after one program in either mode
        QCOMPARE(filesIn(rig), QStringList{QStringLiteral("O1234.NC")});
        QCOMPARE(rig.fileContent(QStringLiteral("O1234.NC")), QByteArray("O1234\nM30\n"));
    }

    void cancellingTheNameClosesThePortSilently()
    {
        TransferRig rig(1, 1);
        answerProgramNo(QString());
        rig.commands.mnuTransInput_Click();
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.port.opened, 1);
        QVERIFY(rig.log().isEmpty());
        QVERIFY(filesIn(rig).isEmpty());
    }

    void theNameDialogAsksBeforeOverwriting()
    {
        TransferRig rig(1, 1);
        rig.folder.addFile(QStringLiteral("O1.NC"), "old");
        QString name;
        ProgramNo dialog(name, rig.messages);
        QVERIFY(!dialog.OKButton->isEnabled());
        dialog.Text1->setText(QStringLiteral("O1"));
        QVERIFY(dialog.OKButton->isEnabled());
        rig.messages.answers = {MessageBoxes::Answer::No};
        dialog.OKButton->click();
        QCOMPARE(rig.messages.shown.last().text,
                 QStringLiteral("O1.NCはすでにあります。重ね書きをしますか？"));
        QCOMPARE(rig.messages.shown.last().title, QStringLiteral("ファイル名確認"));
        QCOMPARE(dialog.result(), 0);
        rig.folder.protect(QStringLiteral("O1.NC"));
        rig.messages.answers = {MessageBoxes::Answer::Yes};
        dialog.OKButton->click();
        QCOMPARE(rig.messages.shown.last().text, QStringLiteral("O1.NCは保護されています。"));
        QCOMPARE(rig.messages.shown.last().icon, MessageBoxes::Icon::Critical);
        QCOMPARE(dialog.result(), 0);
        dialog.Text1->setText(QStringLiteral("O2"));
        dialog.OKButton->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(name, QStringLiteral("O2.NC"));
    }

    void namesThatWouldLeaveTheFolderAreRefused_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("parent") << QByteArray("../ESCAPE.MIN");
        QTest::newRow("absolute") << QByteArray("/TMP/X.MIN");
        QTest::newRow("backslash") << QByteArray("..\\X.MIN");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("control character") << QByteArray("A\x01"
                                                         "B.MIN");
        QTest::newRow("too long") << QByteArray(300, 'A');
    }

    void namesThatWouldLeaveTheFolderAreRefused()
    {
        QFETCH(QByteArray, name);
        TransferRig rig(0, 1);
        const QString outside = QDir(rig.folder.path()).filePath(QStringLiteral("../ESCAPE.MIN"));
        punch(rig, "$" + name + "%\r\nG0\r\n%");
        rig.commands.mnuTransInput_Click();
        QVERIFY(filesIn(rig).isEmpty());
        QVERIFY(!QFile::exists(outside));
        QCOMPARE(rig.log().size(), 2);
        QVERIFY(rig.log().at(0).endsWith(QStringLiteral("の受信が出来ませんでした。")));
        QVERIFY(!rig.port.portOpen());
        QVERIFY(!rig.commands.dialog()->isVisible());
    }

    void aProtectedFileIsNotOverwritten()
    {
        TransferRig rig(0, 1);
        rig.folder.addFile(QStringLiteral("a.min"), "kept");
        rig.folder.protect(QStringLiteral("a.min"));
        punch(rig, "$A.MIN%\r\nNEW\r\n%");
        rig.commands.mnuTransInput_Click();
        QCOMPARE(rig.fileContent(QStringLiteral("a.min")), QByteArray("kept"));
        QCOMPARE(rig.log().first(), QStringLiteral("A.MINの受信が出来ませんでした。"));
    }

    void lineErrorsAreReportedAndReceptionGoesOn()
    {
        TransferRig rig(0, 1);
        QTimer::singleShot(0, &rig.port, [&rig] {
            rig.port.feed("$A.MIN%\r\nG0");
            QTimer::singleShot(20, &rig.port, [&rig] {
                emit rig.port.OnComm(SerialPort::Parity);
                emit rig.port.OnComm(SerialPort::Overrun);
                emit rig.port.OnComm(3); // a modem-line change means nothing here
                rig.port.feed("\r\n%");
            });
        });
        rig.commands.mnuTransInput_Click();
        QCOMPARE(rig.fileContent(QStringLiteral("A.MIN")), QByteArray("G0\r\n"));
        QVERIFY(rig.log().contains(QStringLiteral("ﾊﾟﾘﾃｨ ｴﾗｰが発生しました。")));
        QVERIFY(rig.log().contains(QStringLiteral("ｵｰﾊﾞｰﾗﾝ ｴﾗｰが発生しました。")));
        QCOMPARE(rig.log().size(), 5);
    }

    void aPortThatVanishesEndsTheReception()
    {
        TransferRig rig(0, 1);
        QTimer::singleShot(0, &rig.port, [&rig] {
            rig.port.feed("$A.MIN%\r\nG0");
            QTimer::singleShot(20, &rig.port,
                               [&rig] { rig.port.vanish(QStringLiteral("The device was unplugged.")); });
        });
        rig.commands.mnuTransInput_Click();
        QCOMPARE(rig.fileContent(QStringLiteral("A.MIN")), QByteArray("G0"));
        QCOMPARE(rig.log().mid(1),
                 (QStringList{"A.MINの受信が出来ませんでした。", "The device was unplugged."}));
    }
};

QTEST_MAIN(tst_Receiver)
#include "tst_Receiver.moc"
