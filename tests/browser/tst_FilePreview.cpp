#include "browser/DataPane.h"
#include "browser/FileListView.h"
#include "browser/FolderList.h"
#include "shell/MainMenus.h"
#include "support/MainWindowFixture.h"
#include "support/Metafiles.h"
#include "support/TestDir.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTextEdit>

// What the data pane shows as the user clicks and keys through the files of a folder.
class tst_FilePreview : public QObject {
    Q_OBJECT

private:
    static int rowOf(const frmMain &form, const QString &text)
    {
        for (int i = 0; i < form.lvListView->rowCount(); ++i) {
            if (form.lvListView->row(i)->text(0) == text)
                return i;
        }
        return -1;
    }

    static void clickRow(frmMain &form, const QString &text)
    {
        QTreeWidgetItem *row = form.lvListView->row(rowOf(form, text));
        QVERIFY(row);
        const QRect rect = form.lvListView->visualItemRect(row);
        QTest::mouseClick(form.lvListView->viewport(), Qt::LeftButton, {}, rect.center());
    }

    static QString shown(const frmMain &form) { return form.Text1->toPlainText(); }

    static QByteArray picture(QSize size, const char *format)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format);
        return bytes;
    }

    frmMain &startIn(MainWindowFixture &window, const TestDir &dir)
    {
        window.preset(QStringLiteral("OpenPathName"), dir.path());
        frmMain &form = window.start();
        form.activateWindow();
        if (!QTest::qWaitForWindowActive(&form))
            qFatal("the main window did not become active");
        return form;
    }

private slots:
    void textIsDecodedForDisplayOnly_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("crlf") << QByteArray("O1000\r\nG0 X0\r\nM30\r\n")
                              << QStringLiteral("O1000\nG0 X0\nM30\n");
        QTest::newRow("lf") << QByteArray("O1000\nG0 X0\n") << QStringLiteral("O1000\nG0 X0\n");
        QTest::newRow("utf-8") << QByteArray("(荒加工)\r\nG1 X10\r\n")
                               << QStringLiteral("(荒加工)\nG1 X10\n");
        // "(ｱﾗｶｺﾝ)" and "(荒)" in Shift_JIS: half-width katakana are single bytes there.
        QTest::newRow("shift_jis katakana")
            << QByteArray::fromHex("28b1d7b6badd290d0a") << QStringLiteral("(ｱﾗｶｺﾝ)\n");
        QTest::newRow("shift_jis kanji") << QByteArray::fromHex("288d72290d0a") << QStringLiteral("(荒)\n");
        QTest::newRow("empty") << QByteArray() << QString();
    }

    void textIsDecodedForDisplayOnly()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        TestDir dir;
        dir.addFile(QStringLiteral("o1000.min"), bytes);
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        // Start-up already shows the current row.
        QCOMPARE(shown(form), text);
        QCOMPARE(window.state.CurrentFileName, QStringLiteral("O1000.MIN"));
        QVERIFY(form.Text1->isVisible());
        QFile file(dir.filePath(QStringLiteral("o1000.min")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
    }

    void aClickShowsTheClickedFile()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("A.MIN"), "O1\n");
        dir.addFile(QStringLiteral("B.SUB"), "O2\n");
        dir.addFile(QStringLiteral("C.XLS"), "sheet");
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        QCOMPARE(shown(form), QStringLiteral("O1\n"));
        clickRow(form, QStringLiteral("B.SUB"));
        QCOMPARE(shown(form), QStringLiteral("O2\n"));
        QCOMPARE(window.state.CurrentFileName, QStringLiteral("B.SUB"));
        clickRow(form, QStringLiteral("C.XLS"));
        QCOMPARE(shown(form), QString());
        QVERIFY(form.Text1->isVisible());
        QCOMPARE(window.state.CurrentFileName, QStringLiteral("C.XLS"));
    }

    void arrowKeysShowTheNextRow()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("A.MIN"), "O1\n");
        dir.addFile(QStringLiteral("B.MIN"), "O2\n");
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        form.lvListView->setFocus();
        QTest::keyClick(form.lvListView, Qt::Key_Down);
        QCOMPARE(shown(form), QStringLiteral("O2\n"));
        QTest::keyClick(form.lvListView, Qt::Key_Up);
        QCOMPARE(shown(form), QStringLiteral("O1\n"));
    }

    void aFileThatCannotBeReadIsReported()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("A.MIN"), "O1\n");
        dir.addFile(QStringLiteral("gone.min"), "O2\n");
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("gone.min"))));
        clickRow(form, QStringLiteral("GONE.MIN"));
        QCOMPARE(window.messages.shown.size(), 1);
        QCOMPARE(window.messages.shown[0].text, QStringLiteral("GONE.MIN ファイルが開けません."));
        QCOMPARE(window.messages.shown[0].title, QString());
        QCOMPARE(window.messages.shown[0].icon, MessageBoxes::Icon::None);
        QCOMPARE(shown(form), QStringLiteral("O1\n"));
    }

    void picturesFitThePaneWhole_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("wide") << QSize(2400, 300);
        QTest::newRow("tall") << QSize(200, 1600);
    }

    void picturesFitThePaneWhole()
    {
        QFETCH(QSize, size);
        TestDir dir;
        dir.addFile(QStringLiteral("A.MIN"), "O1\n");
        dir.addFile(QStringLiteral("PART.BMP"), picture(size, "BMP"));
        dir.addFile(QStringLiteral("PART.JPG"), picture(size, "JPG"));
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        const QSize pane = form.Text1->size();
        const bool wide = double(size.width()) / size.height() > double(pane.width()) / pane.height();
        const QSize expected =
            wide ? QSize(pane.width(), qRound(size.height() * double(pane.width()) / size.width()))
                 : QSize(qRound(size.width() * double(pane.height()) / size.height()), pane.height());
        for (const QString &name : {QStringLiteral("PART.BMP"), QStringLiteral("PART.JPG")}) {
            clickRow(form, name);
            QVERIFY(form.Image1->isVisible());
            QVERIFY(!form.Text1->isVisible());
            QCOMPARE(form.Image1->size(), expected);
            QCOMPARE(form.Image1->pos(), form.Text1->pos());
        }
        clickRow(form, QStringLiteral("A.MIN"));
        QVERIFY(!form.Image1->isVisible());
        QCOMPARE(shown(form), QStringLiteral("O1\n"));
    }

    void metafilesPreviewLikeOtherPictures()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("PLAN.WMF"), Metafiles::wmf(QRect(0, 0, 1440, 1440)));
        dir.addFile(QStringLiteral("PLAN2.EMF"), Metafiles::emf(QRect(0, 0, 100, 100)));
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        for (const QString &name : {QStringLiteral("PLAN.WMF"), QStringLiteral("PLAN2.EMF")}) {
            form.Image1->hide();
            clickRow(form, name);
            QVERIFY2(form.Image1->isVisible(), qPrintable(name));
            const QSize size = form.Image1->size();
            QVERIFY(qAbs(double(size.width()) / size.height() - 2.0) < 0.1);
        }
    }

    void aDamagedPictureChangesNothing()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("GOOD.BMP"), picture(QSize(100, 100), "BMP"));
        dir.addFile(QStringLiteral("BAD.JPG"), "not a picture at all");
        dir.addFile(QStringLiteral("BAD.WMF"), QByteArray(300, '\xff'));
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        clickRow(form, QStringLiteral("GOOD.BMP"));
        const QSize before = form.Image1->size();
        QVERIFY(form.Image1->isVisible());
        for (const QString &name : {QStringLiteral("BAD.JPG"), QStringLiteral("BAD.WMF")}) {
            clickRow(form, name);
            QVERIFY(form.Image1->isVisible());
            QCOMPARE(form.Image1->size(), before);
            QVERIFY(!form.Text1->isVisible());
            QVERIFY(window.messages.shown.isEmpty());
        }
    }

    void aPictureKeepsItsProportionsWhenTheWindowChanges()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("PART.BMP"), picture(QSize(400, 400), "BMP"));
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        QVERIFY(form.Image1->isVisible());
        form.resize(form.width() + 300, form.height() + 200);
        QTRY_COMPARE(form.Image1->size(), DataPane::fitted(QSize(400, 400), form.Text1->size()));
        QCOMPARE(form.Image1->width(), form.Image1->height());
    }

    void anEmptyListLeavesThePaneAsItWas()
    {
        TestDir dir;
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        form.Text1->setPlainText(QStringLiteral("kept"));
        QTest::mouseClick(form.lvListView->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(shown(form), QStringLiteral("kept"));
    }

    void nothingChangesWhileATransferDialogIsUp()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("A.MIN"), "O1\n");
        dir.addFile(QStringLiteral("B.MIN"), "O2\n");
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        window.state.Transfer.DialogShown = true;
        clickRow(form, QStringLiteral("B.MIN"));
        QCOMPARE(shown(form), QStringLiteral("O1\n"));
        QCOMPARE(window.state.CurrentFileName, QStringLiteral("A.MIN"));
    }

    void doubleClickAndEnterOpenTheFile()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("a.min"), "O1\n");
        dir.addFile(QStringLiteral("b 2.min"), "O2\n");
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        QTest::mouseDClick(form.lvListView->viewport(), Qt::LeftButton, {},
                           form.lvListView->visualItemRect(form.lvListView->row(0)).center());
        QCOMPARE(window.launcher.started.size(), 1);
        QCOMPARE(window.launcher.started[0].arguments.last(), QStringLiteral("a.min"));
        form.lvListView->setFocus();
        QTest::keyClick(form.lvListView, Qt::Key_Down);
        QTest::keyClick(form.lvListView, Qt::Key_Return);
        QCOMPARE(window.launcher.started.size(), 2);
        QCOMPARE(window.launcher.started[1].arguments.last(), QStringLiteral("b 2.min"));
        QCOMPARE(window.state.CurrentFileName, QStringLiteral("B 2.MIN"));
    }

    void leftHandsTheKeyboardToTheFolderPane()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("A.MIN"), "O1\n");
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        form.lvListView->setFocus();
        QTest::keyClick(form.lvListView, Qt::Key_Left);
        QCOMPARE(QApplication::focusWidget(), form.Dir1);
    }

    void theRightButtonOpensThePopupMenuAtThePointer()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("A.MIN"), "O1\n");
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        QMenu *popup = form.menus()->popup();
        const QPoint at = form.lvListView->visualItemRect(form.lvListView->row(0)).center();
        QTest::mousePress(form.lvListView->viewport(), Qt::RightButton, {}, at);
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(popup->pos(), form.lvListView->viewport()->mapToGlobal(at));
        popup->close();
        QTest::mouseRelease(form.lvListView->viewport(), Qt::RightButton, {}, at);
    }
};

QTEST_MAIN(tst_FilePreview)
#include "tst_FilePreview.moc"
