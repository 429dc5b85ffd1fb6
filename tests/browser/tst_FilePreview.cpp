#include "browser/FileListView.h"
#include "browser/FolderList.h"
#include "shell/MainMenus.h"
#include "support/MainWindowFixture.h"
#include "support/Metafiles.h"
#include "support/TestDir.h"

#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTextEdit>

// What the data pane shows as the user clicks and keys through the files of a folder.
class tst_FilePreview : public QObject {
    Q_OBJECT

    static void clickRow(frmMain &form, const QString &text)
    {
        const QList<QTreeWidgetItem *> rows = form.lvListView->findItems(text, Qt::MatchExactly);
        QVERIFY(rows.size() == 1);
        QTest::mouseClick(form.lvListView->viewport(), Qt::LeftButton, {},
                          form.lvListView->visualItemRect(rows[0]).center());
    }

    static QString shown(const frmMain &form) { return form.Text1->toPlainText(); }

    static void addPicture(TestDir &dir, const QString &name, QSize size)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QVERIFY(image.save(dir.filePath(name)));
    }

    static frmMain &startIn(MainWindowFixture &window, const TestDir &dir)
    {
        window.preset(QStringLiteral("OpenPathName"), dir.path());
        return window.start();
    }

private slots:
    void textIsDecodedForDisplay_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("crlf, lf and lone cr")
            << QByteArray("O1000\r\nG0 X0\rG1\nM30\r\n") << QStringLiteral("O1000\nG0 X0\nG1\nM30\n");
        QTest::newRow("utf-8") << QByteArray("(荒加工)\r\n") << QStringLiteral("(荒加工)\n");
        // "(ｱﾗｶｺﾝ)" in Shift_JIS: half-width katakana are single bytes there.
        QTest::newRow("shift_jis katakana")
            << QByteArray::fromHex("28b1d7b6badd290d0a") << QStringLiteral("(ｱﾗｶｺﾝ)\n");
        QTest::newRow("empty") << QByteArray() << QString();
    }

    void textIsDecodedForDisplay()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        TestDir dir;
        dir.addFile(QStringLiteral("o1000.min"), bytes);
        MainWindowFixture window;
        const frmMain &form = startIn(window, dir);
        QCOMPARE(shown(form), text); // start-up already shows the current row
    }

    // Clicks and arrow keys show the current row; a file of no known text or picture type empties the pane;
    // an unreadable file is reported; while a transfer's abort dialog is up nothing changes.
    void clicksAndKeysShowTheCurrentRow()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("A.MIN"), "O1\n");
        dir.addFile(QStringLiteral("B.SUB"), "O2\n");
        dir.addFile(QStringLiteral("C.XLS"), "sheet");
        dir.addFile(QStringLiteral("gone.min"), "O3\n");
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        QCOMPARE(shown(form), QStringLiteral("O1\n"));
        clickRow(form, QStringLiteral("B.SUB"));
        QCOMPARE(shown(form), QStringLiteral("O2\n"));
        QCOMPARE(window.state.CurrentFileName, QStringLiteral("B.SUB"));
        clickRow(form, QStringLiteral("C.XLS"));
        QCOMPARE(shown(form), QString());
        QCOMPARE(window.state.CurrentFileName, QStringLiteral("C.XLS"));

        form.lvListView->setFocus();
        QTest::keyClick(form.lvListView, Qt::Key_Up);
        QCOMPARE(shown(form), QStringLiteral("O2\n"));
        QTest::keyClick(form.lvListView, Qt::Key_Up);
        QCOMPARE(shown(form), QStringLiteral("O1\n"));
        QTest::keyClick(form.lvListView, Qt::Key_Left);
        QCOMPARE(form.focusWidget(), form.Dir1);

        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("gone.min"))));
        clickRow(form, QStringLiteral("GONE.MIN"));
        QCOMPARE(window.messages.shown.size(), 1);
        QCOMPARE(window.messages.shown[0].text, QStringLiteral("GONE.MIN ファイルが開けません."));
        QCOMPARE(window.messages.shown[0].title, QString());
        QCOMPARE(window.messages.shown[0].icon, MessageBoxes::Icon::None);
        QCOMPARE(shown(form), QStringLiteral("O1\n"));

        window.state.Transfer.DialogShown = true;
        clickRow(form, QStringLiteral("B.SUB"));
        QCOMPARE(shown(form), QStringLiteral("O1\n"));
        QCOMPARE(window.state.CurrentFileName, QStringLiteral("GONE.MIN"));
    }

    // Pictures fit the pane whole in their proportions, also after the window changes size; metafiles too;
    // a damaged picture changes nothing and is not reported.
    void pictures()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("A.MIN"), "O1\n");
        addPicture(dir, QStringLiteral("WIDE.BMP"), QSize(2400, 300));
        addPicture(dir, QStringLiteral("TALL.JPG"), QSize(200, 1600));
        dir.addFile(QStringLiteral("PLAN.WMF"), Metafiles::wmf(QRect(0, 0, 1440, 1440)));
        dir.addFile(QStringLiteral("BAD.JPG"), "not a picture at all");
        dir.addFile(QStringLiteral("BAD.WMF"), QByteArray(300, '\xff'));
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        const auto fitted = [](QSize picture, QSize pane) {
            return double(picture.width()) / picture.height() > double(pane.width()) / pane.height()
                       ? QSize(pane.width(),
                               qRound(picture.height() * double(pane.width()) / picture.width()))
                       : QSize(qRound(picture.width() * double(pane.height()) / picture.height()),
                               pane.height());
        };
        clickRow(form, QStringLiteral("TALL.JPG"));
        QVERIFY(form.Image1->isVisible());
        QVERIFY(!form.Text1->isVisible());
        QCOMPARE(form.Image1->size(), fitted(QSize(200, 1600), form.Text1->size()));
        QCOMPARE(form.Image1->pos(), form.Text1->pos());
        clickRow(form, QStringLiteral("PLAN.WMF"));
        QVERIFY(qAbs(double(form.Image1->width()) / form.Image1->height() - 2.0) < 0.1);

        const QSize before = form.Image1->size();
        for (const QString &name : {QStringLiteral("BAD.JPG"), QStringLiteral("BAD.WMF")}) {
            clickRow(form, name);
            QVERIFY(form.Image1->isVisible());
            QCOMPARE(form.Image1->size(), before);
            QVERIFY(!form.Text1->isVisible());
        }
        QVERIFY(window.messages.shown.isEmpty());
        clickRow(form, QStringLiteral("A.MIN"));
        QVERIFY(!form.Image1->isVisible());
        QCOMPARE(shown(form), QStringLiteral("O1\n"));

        clickRow(form, QStringLiteral("WIDE.BMP"));
        QCOMPARE(form.Image1->size(), fitted(QSize(2400, 300), form.Text1->size()));
        const QSize pane = form.Text1->size();
        form.resize(form.width() + 300, form.height() + 200);
        QTRY_VERIFY(form.Text1->size() != pane);
        QTRY_COMPARE(form.Image1->size(), fitted(QSize(2400, 300), form.Text1->size()));
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

    // Double-click and Enter open the file as it is named on disk; the right button opens the pop-up menu.
    void doubleClickEnterAndRightButton()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("a.min"), "O1\n");
        dir.addFile(QStringLiteral("b 2.min"), "O2\n");
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        QWidget *viewport = form.lvListView->viewport();
        const QPoint first = form.lvListView->visualItemRect(form.lvListView->row(0)).center();
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, first);
        form.lvListView->setFocus();
        QTest::keyClick(form.lvListView, Qt::Key_Down);
        QTest::keyClick(form.lvListView, Qt::Key_Return);
        QCOMPARE(window.launcher.started.size(), 2);
        QCOMPARE(window.launcher.started[0].arguments.last(), dir.filePath(QStringLiteral("a.min")));
        QCOMPARE(window.launcher.started[1].arguments.last(), dir.filePath(QStringLiteral("b 2.min")));

        QMenu *popup = form.menus()->popup();
        QTest::mousePress(viewport, Qt::RightButton, {}, first);
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(popup->pos(), viewport->mapToGlobal(first));
        popup->close();
        QTest::mouseRelease(viewport, Qt::RightButton, {}, first);
    }
};

QTEST_MAIN(tst_FilePreview)
#include "tst_FilePreview.moc"
