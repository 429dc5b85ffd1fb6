// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListView.h"
#include "browser/FilePreview.h"
#include "browser/FolderList.h"
#include "platform/NativeFile.h"
#include "shell/MainMenus.h"
#include "support/MainWindowFixture.h"
#include "support/Metafiles.h"
#include "support/TestDir.h"

#include <QLabel>
#include <QMenu>
#include <QStringEncoder>
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
    // a damaged picture shows the empty text box, never the previous picture, and is not reported.
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

        for (const QString &name : {QStringLiteral("BAD.JPG"), QStringLiteral("BAD.WMF")}) {
            clickRow(form, QStringLiteral("A.MIN"));
            clickRow(form, QStringLiteral("TALL.JPG"));
            clickRow(form, name);
            QVERIFY(!form.Image1->isVisible());
            QVERIFY(form.Text1->isVisible());
            QCOMPARE(shown(form), QString());
        }
        QVERIFY(window.messages.shown.isEmpty());

        clickRow(form, QStringLiteral("WIDE.BMP"));
        QCOMPARE(form.Image1->size(), fitted(QSize(2400, 300), form.Text1->size()));
        const QSize pane = form.Text1->size();
        form.resize(form.width() + 300, form.height() + 200);
        QTRY_VERIFY(form.Text1->size() != pane);
        QTRY_COMPARE(form.Image1->size(), fitted(QSize(2400, 300), form.Text1->size()));
    }

    // Only the beginning of a large file is read, cut at a line end or, in a file of one line, at a
    // whole character of its encoding; a notice after it says that the rest is not shown.
    void aLargeFileShowsItsBeginning_data()
    {
        QTest::addColumn<QByteArray>("unit"); // repeated past the limit
        QTest::addColumn<QString>("text");    // the unit as shown
        QTest::addColumn<QByteArray>("encoding");
        const QByteArray line = "G01 X100.0 Y-25.5 F300\r\n";
        QTest::newRow("lines") << line << QString::fromLatin1(line).remove('\r') << QByteArray("UTF-8");
        // Two-, three- and four-byte characters whose cut would fall inside one.
        QTest::newRow("one line of utf-8")
            << QByteArray("あé𝄞") << QStringLiteral("あé𝄞") << QByteArray("UTF-8");
        // "ｱ加工": the katakana is one byte, each kanji two.
        QTest::newRow("one line of shift_jis")
            << QByteArray::fromHex("b1 89c1 8d48") << QStringLiteral("ｱ加工") << QByteArray("Shift_JIS");
    }

    void aLargeFileShowsItsBeginning()
    {
        QFETCH(QByteArray, unit);
        QFETCH(QString, text);
        QFETCH(QByteArray, encoding);
        const qint64 limit = FilePreview::PreviewBytes;
        const int times = int(limit / unit.size()) * 2 + 7;
        TestDir dir;
        dir.addFile(QStringLiteral("BIG.MIN"), unit.repeated(times));
        dir.addFile(QStringLiteral("FITS.MIN"), unit.repeated(limit / unit.size()));
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        const QString notice =
            QStringLiteral("（以下省略：ファイルが大きいため先頭の 256 KB だけを表示しています）");
        clickRow(form, QStringLiteral("BIG.MIN"));
        const QString all = shown(form);
        QVERIFY(all.endsWith(QLatin1Char('\n') + notice));
        const bool lines = text.endsWith(QLatin1Char('\n'));
        const QString beginning = all.chopped(notice.size() + (lines ? 0 : 1));
        const QString whole = text.repeated(times);
        QVERIFY(whole.startsWith(beginning));
        // As much as fits: the next line, or the next character, would not.
        qsizetype next = lines ? beginning.size() + text.size() : beginning.size() + 1;
        if (!lines && whole[next - 1].isHighSurrogate())
            ++next;
        const auto bytes = [&](QString shown) { // in the file, with its CR LF line ends
            QStringEncoder encoder(encoding.constData());
            return QByteArray(encoder.encode(shown.replace(QLatin1Char('\n'), QLatin1String("\r\n")))).size();
        };
        QVERIFY(bytes(beginning) <= limit);
        QVERIFY(bytes(whole.first(next)) > limit);
        clickRow(form, QStringLiteral("FITS.MIN"));
        QCOMPARE(shown(form), text.repeated(limit / unit.size()));
    }

    // A name copied from a Windows machine in Shift_JIS is listed so; one that is no encoding at all
    // shows replacement characters. Both preview the file itself.
    void namesThatAreNotUtf8()
    {
        TestDir dir;
        dir.addRawFile(QByteArray::fromHex("89c18d48") + ".min", "O1\n");
        dir.addRawFile("BAD\xe9.min", "O2\n");
        dir.addRawFile("LOGO\xff.bmp");
        addPicture(dir, QStringLiteral("LOGO.BMP"), QSize(10, 10));
        QVERIFY(NativeFile::rename(dir.filePath(QStringLiteral("LOGO.BMP")),
                                   NativeName::fromBytes(QFile::encodeName(dir.path()) + "/LOGO\xff.bmp"))
                    .isEmpty());
        MainWindowFixture window;
        frmMain &form = startIn(window, dir);
        QCOMPARE(form.lvListView->rowCount(), 3);
        clickRow(form, QStringLiteral("加工.MIN"));
        QCOMPARE(shown(form), QStringLiteral("O1\n"));
        clickRow(form, QStringLiteral("BAD\uFFFD.MIN"));
        QCOMPARE(shown(form), QStringLiteral("O2\n"));
        clickRow(form, QStringLiteral("LOGO\uFFFD.BMP"));
        QVERIFY(form.Image1->isVisible());
        QVERIFY(window.messages.shown.isEmpty());
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
