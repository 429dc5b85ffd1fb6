// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/DataPane.h"
#include "browser/FileListView.h"
#include "browser/FilePreview.h"
#include "core/AppState.h"
#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"
#include "support/BindMount.h"
#include "support/Metafiles.h"
#include "support/OwnMounts.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TestDir.h"

#include <QDir>
#include <QLabel>
#include <QStringEncoder>
#include <QTest>
#include <QTextEdit>

#include <sys/stat.h>

// What the data pane shows of the list's current row.
class tst_FilePreview : public QObject {
    Q_OBJECT

    // The preview over a folder's list, with the data pane's two views in a pane of their own.
    struct Previewed {
        TestDir dir;
        QWidget pane;
        QTextEdit *text = new QTextEdit(&pane);
        QLabel *image = new QLabel(&pane);
        AppState state;
        FileListView list{state};
        ScriptedMessageBoxes messages;
        DataPane data{text, image};
        FilePreview preview{state, list, data, messages};

        Previewed() { text->resize(400, 300); }
        void listed()
        {
            state.CurrentFolder = dir.path();
            list.RefreshFileList();
            QTRY_VERIFY(!list.reading());
        }
        // Makes the row current, as a click would, and gives the pane's text.
        QString click(const QString &row)
        {
            for (int i = 0; i < list.rowCount(); ++i) {
                if (list.row(i).data().toString() == row)
                    list.setCurrentIndex(list.row(i));
            }
            preview.PreviewListedFile();
            if (!QTest::qWaitFor([this] { return !preview.reading(); }))
                qWarning("the preview was not read in time");
            return text->toPlainText();
        }
        bool picture() const { return image->isVisibleTo(&pane) && !text->isVisibleTo(&pane); }
    };

    static void addPicture(TestDir &dir, const QString &name, QSize size)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QVERIFY(image.save(dir.filePath(name)));
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
        Previewed p;
        p.dir.addFile(QStringLiteral("o1000.min"), bytes);
        p.listed();
        p.text->setPlainText(QStringLiteral("before"));
        QTEST(p.click(QStringLiteral("O1000.MIN")), "text");
    }

    // A file of no known text or picture type empties the pane; an unreadable file is reported and the
    // pane kept; an empty list and a transfer's abort dialog leave the pane as it was.
    void rowsThatShowNoText()
    {
        Previewed p;
        p.preview.PreviewListedFile();
        QCOMPARE(p.state.CurrentFileName, QString());
        p.dir.addFile(QStringLiteral("A.MIN"), "O1\n");
        p.dir.addFile(QStringLiteral("C.XLS"), "sheet");
        p.dir.addFile(QStringLiteral("gone.min"), "O3\n");
        p.listed();
        QCOMPARE(p.click(QStringLiteral("C.XLS")), QString());
        QCOMPARE(p.state.CurrentFileName, QStringLiteral("C.XLS"));
        QCOMPARE(p.click(QStringLiteral("A.MIN")), QStringLiteral("O1\n"));

        QVERIFY(QFile::remove(p.dir.filePath(QStringLiteral("gone.min"))));
        QCOMPARE(p.click(QStringLiteral("GONE.MIN")), QStringLiteral("O1\n"));
        QCOMPARE(p.messages.shown.size(), 1);
        QCOMPARE(
            p.messages.shown[0].text,
            QStringLiteral("GONE.MIN ファイルが開けません.\nファイルまたはフォルダーが見つかりません。"));
        QCOMPARE(p.messages.shown[0].title, QString());
        QCOMPARE(p.messages.shown[0].icon, MessageBoxes::Icon::None);

        p.state.Transfer.DialogShown = true;
        QCOMPARE(p.click(QStringLiteral("C.XLS")), QStringLiteral("O1\n"));
        QCOMPARE(p.state.CurrentFileName, QStringLiteral("GONE.MIN"));
    }

    // A row that has come to lead, through two links, to a pipe with no writer must not hold the window:
    // a program is reported with the reason, a picture shows the empty text box.
    void aPipeBehindLinksDoesNotBlock()
    {
        Previewed p;
        p.dir.addFile(QStringLiteral("A.MIN"), "O1\n");
        p.dir.addFile(QStringLiteral("P.MIN"), "O2\n");
        addPicture(p.dir, QStringLiteral("P.BMP"), QSize(20, 20));
        p.listed();
        QCOMPARE(::mkfifo(QFile::encodeName(p.dir.filePath(QStringLiteral("fifo"))).constData(), 0644), 0);
        QVERIFY(QFile::link(QStringLiteral("fifo"), p.dir.filePath(QStringLiteral("l1"))));
        for (const QString &name : {QStringLiteral("P.MIN"), QStringLiteral("P.BMP")}) {
            QVERIFY(QFile::remove(p.dir.filePath(name)));
            QVERIFY(QFile::link(QStringLiteral("l1"), p.dir.filePath(name)));
        }
        QCOMPARE(p.click(QStringLiteral("A.MIN")), QStringLiteral("O1\n"));
        QCOMPARE(p.click(QStringLiteral("P.MIN")), QStringLiteral("O1\n"));
        QCOMPARE(p.messages.shown.size(), 1);
        QCOMPARE(p.messages.shown[0].text,
                 QStringLiteral("P.MIN ファイルが開けません.\n通常のファイルではありません。"));
        QCOMPARE(p.click(QStringLiteral("P.BMP")), QString());
        QVERIFY(!p.picture());
    }

    // Pictures fit the pane whole in their proportions, also after the pane changes size; metafiles too;
    // a damaged picture shows the empty text box, never the previous picture, and is not reported.
    void pictures()
    {
        Previewed p;
        p.dir.addFile(QStringLiteral("A.MIN"), "O1\n");
        addPicture(p.dir, QStringLiteral("WIDE.BMP"), QSize(2400, 300));
        addPicture(p.dir, QStringLiteral("TALL.JPG"), QSize(200, 1600));
        p.dir.addFile(QStringLiteral("PLAN.WMF"), Metafiles::wmf(QRect(0, 0, 1440, 1440)));
        p.dir.addFile(QStringLiteral("BAD.JPG"), "not a picture at all");
        p.dir.addFile(QStringLiteral("BAD.WMF"), QByteArray(300, '\xff'));
        p.listed();
        const auto fitted = [](QSize picture, QSize pane) {
            return double(picture.width()) / picture.height() > double(pane.width()) / pane.height()
                       ? QSize(pane.width(),
                               qRound(picture.height() * double(pane.width()) / picture.width()))
                       : QSize(qRound(picture.width() * double(pane.height()) / picture.height()),
                               pane.height());
        };
        p.click(QStringLiteral("TALL.JPG"));
        QVERIFY(p.picture());
        QCOMPARE(p.image->size(), fitted(QSize(200, 1600), p.text->size()));
        p.click(QStringLiteral("PLAN.WMF"));
        QVERIFY(qAbs(double(p.image->width()) / p.image->height() - 2.0) < 0.1);

        for (const QString &name : {QStringLiteral("BAD.JPG"), QStringLiteral("BAD.WMF")}) {
            p.click(QStringLiteral("A.MIN"));
            p.click(QStringLiteral("TALL.JPG"));
            QCOMPARE(p.click(name), QString());
            QVERIFY(!p.picture());
            QVERIFY(p.text->isVisibleTo(&p.pane));
        }
        QVERIFY(p.messages.shown.isEmpty());

        p.click(QStringLiteral("WIDE.BMP"));
        QCOMPARE(p.image->size(), fitted(QSize(2400, 300), p.text->size()));
        p.text->resize(700, 500);
        p.data.refit();
        QCOMPARE(p.image->size(), fitted(QSize(2400, 300), QSize(700, 500)));
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
        Previewed p;
        p.dir.addFile(QStringLiteral("BIG.MIN"), unit.repeated(times));
        p.dir.addFile(QStringLiteral("FITS.MIN"), unit.repeated(limit / unit.size()));
        p.listed();
        const QString notice =
            QStringLiteral("（以下省略：ファイルが大きいため先頭の 256 KB だけを表示しています）");
        const QString all = p.click(QStringLiteral("BIG.MIN"));
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
        QCOMPARE(p.click(QStringLiteral("FITS.MIN")), text.repeated(limit / unit.size()));
    }

    // A name copied from a Windows machine in Shift_JIS is listed so; one that is no encoding at all
    // shows replacement characters. Both preview the file itself.
    // A file on a share whose server has stopped is read aside: the window goes on, a file chosen
    // meanwhile shows, and the late answer is dropped; alone, it is reported once the time is up.
    void aStoppedShareHoldsNothingUp_data()
    {
        QTest::addColumn<bool>("otherChosen");
        QTest::newRow("another file chosen meanwhile") << true;
        QTest::newRow("alone") << false;
    }
    void aStoppedShareHoldsNothingUp()
    {
        QFETCH(bool, otherChosen);
        QSKIP_WITHOUT_OWN_MOUNTS();
        Previewed previewed;
        previewed.dir.addFile(QStringLiteral("FAR.MIN"), "O1\n");
        previewed.dir.addFile(QStringLiteral("NEAR.MIN"), "O2\n");
        BindMount share(previewed.dir.path());
        QVERIFY2(share.failure().isEmpty(), qPrintable(share.failure()));
        {
            const StoppedShare stopped(share);
            const LoopGaps gaps;
            previewed.state.CurrentFolder = share.path();
            previewed.preview.PreviewTextFile(QStringLiteral("FAR.MIN"), QStringLiteral("FAR.MIN"));
            if (otherChosen) {
                previewed.state.CurrentFolder = previewed.dir.path();
                previewed.preview.PreviewTextFile(QStringLiteral("NEAR.MIN"), QStringLiteral("NEAR.MIN"));
                QCOMPARE(previewed.text->toPlainText(), QStringLiteral("O2\n"));
            }
            QTRY_VERIFY_WITH_TIMEOUT(otherChosen || !previewed.messages.shown.isEmpty(), 10000);
            QVERIFY2(gaps.longestMs() < 1000, qPrintable(QString::number(gaps.longestMs())));
        }
        QTRY_VERIFY(!BindMount::holdsUpAThread()); // the late answer has come and gone
        QCoreApplication::processEvents();
        QCOMPARE(previewed.text->toPlainText(), otherChosen ? QStringLiteral("O2\n") : QString());
        QVERIFY(!previewed.preview.reading());
        QCOMPARE(previewed.messages.shown.size(), otherChosen ? 0 : 1);
    }

    void namesThatAreNotUtf8()
    {
        Previewed p;
        p.dir.addRawFile(QByteArray::fromHex("89c18d48") + ".min", "O1\n");
        p.dir.addRawFile("BAD\xe9.min", "O2\n");
        p.dir.addRawFile("LOGO\xff.bmp");
        addPicture(p.dir, QStringLiteral("LOGO.BMP"), QSize(10, 10));
        QVERIFY(NativeFile::rename(p.dir.filePath(QStringLiteral("LOGO.BMP")),
                                   NativeName::fromBytes(QFile::encodeName(p.dir.path()) + "/LOGO\xff.bmp"))
                    .ok());
        p.listed();
        QCOMPARE(p.list.rowCount(), 3);
        QCOMPARE(p.click(QStringLiteral("加工.MIN")), QStringLiteral("O1\n"));
        QCOMPARE(p.click(QStringLiteral("BAD\uFFFD.MIN")), QStringLiteral("O2\n"));
        p.click(QStringLiteral("LOGO\uFFFD.BMP"));
        QVERIFY(p.picture());
        QVERIFY(p.messages.shown.isEmpty());
    }
};

QTEST_MAIN(tst_FilePreview)
#include "tst_FilePreview.moc"
