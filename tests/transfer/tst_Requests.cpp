// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ListenSettings.h"
#include "platform/files/NativeFile.h"
#include "support/TestDir.h"
#include "transfer/engine/RequestAnswer.h"
#include "transfer/engine/RequestProgram.h"

#include <QFile>
#include <QTest>

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file;
    return NativeFile::open(file, path, QIODevice::ReadOnly).ok() ? file.readAll() : QByteArray("(none)");
}

// "send NAME", "list", "program" or "wait"; a name refused by itself ends in "!"; then the FANUC number,
// if any. A body that ends in "%" is complete.
QString verdictOf(QByteArray body, const ListenSettings &words = {})
{
    const bool complete = body.endsWith('%');
    const RequestProgram::Verdict verdict = RequestProgram::decide(body.chopped(complete), complete, words);
    const char *const kinds[] = {"wait", "program", "send", "list"};
    const QString number = RequestProgram::programNumber(body);
    return QStringLiteral("%1 %2%3 %4")
        .arg(kinds[int(verdict.kind)], verdict.name, verdict.why.isEmpty() ? "" : "!", number)
        .simplified();
}

// The name the line carries, then what goes; "!" first when refused.
QByteArray answerTo(const QByteArray &request, const QString &folder, bool osp, bool eightBit,
                    const QString &answers)
{
    const Answer got =
        RequestAnswer::resolve(RequestProgram::decide(request, true, {}), folder, osp, eightBit, answers);
    return (got.refused ? "!" : "") + got.file.text.toUtf8() + ' ' +
           contentOf(NativeFile::join(got.folder, got.file.diskName));
}

} // namespace

// Which programs the machine punches are requests, and what answers each from a real folder.
class tst_Requests : public QObject {
    Q_OBJECT

    TestDir m_dir;
    QString m_answers = m_dir.addFolder("A");

private slots:
    void aProgramIsARequestOnlyByItsFirstComment_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("number first") << QByteArray("\r\n:12 ( send part-a.min )") << "send part-a.min O12";
        QTest::newRow("fanuc number") << QByteArray("O1234(SEND X)\n%") << "send X O1234";
        QTest::newRow("list") << QByteArray("N10(List all)") << "list";
        QTest::newRow("no end yet") << QByteArray("(SEND O1234") << "wait";
        QTest::newRow("never ended") << QByteArray("(SEND O1234%") << "program";
        QTest::newRow("ends on its line") << QByteArray("(SEND O1\nM30") << "program";
        QTest::newRow("word begun") << QByteArray("(Se") << "wait";
        QTest::newRow("normal comment") << QByteArray("O12(MAC") << "program O12";
        QTest::newRow("longer word") << QByteArray("(SENDS A)") << "program";
        QTest::newRow("no number") << QByteArray("O12A(SEND A)") << "send A";
        QTest::newRow("code first") << QByteArray("G00(SEND A)") << "program";
        QTest::newRow("at limit") << (QByteArray(248, '\n') + "(SEND A)") << "send A";
        QTest::newRow("past limit") << (QByteArray(249, '\n') + "(SEND A)") << "program";
        QTest::newRow("not shift_jis") << QByteArray("(SEND O\x83)") << "send O!";
    }

    void aProgramIsARequestOnlyByItsFirstComment()
    {
        QFETCH(QByteArray, body);
        QTEST(verdictOf(body), "verdict");
    }

    void aRequestIsAnsweredFromTheFolder_data()
    {
        const QString folder = m_dir.addFolder("M");
        for (const char *name : {"O1234.NC", "o1234.MIN", "O5678.NC", "PART.XLS", ".HIDDEN.NC"})
            m_dir.addFile(QStringLiteral("M/") + name, name);
        m_dir.addRawFile("M/\x83\x65\x83\x58\x83\x67.MIN", "sjis");
        QVERIFY(QFile::link(m_dir.addFile("OUT.NC", "outside"), folder + "/OUT.NC"));
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("osp");
        QTest::addColumn<bool>("eightBit");
        QTest::addColumn<QByteArray>("answer");
        const QByteArray sjis("(SEND \x83\x65\x83\x58\x83\x67)");
        const QByteArray listed("(O1234.MIN)\r\n(O1234.NC)\r\n(O5678.NC)\r\n(OUT.NC)\r\n");
        auto row = [](const char *name, const QByteArray &request, bool osp, bool eightBit,
                      const QByteArray &answer) {
            QTest::newRow(name) << request << osp << eightBit << answer;
        };
        row("base name", "(SEND o5678)", false, false, "O5678.NC O5678.NC");
        row("another case", "(SEND O1234.min)", true, false, "O1234.MIN o1234.MIN");
        row("shift_jis twin", sjis, true, true, "テスト.MIN sjis");
        row("line of seven bits", sjis, true, false, "!REFUSED.MIN (NAME NOT SENDABLE)\r\n");
        row("two of the base", "(SEND O1234)", false, true, "!REFUSED.NC (O1234 MORE THAN ONE)\r\n");
        row("not text", "(SEND part.xls)", false, true, "!REFUSED.NC (PART.XLS NOT TEXT)\r\n");
        row("link out", "(SEND OUT.NC)", false, true, "!REFUSED.NC (OUT.NC NOT FOUND)\r\n");
        row("unlisted", "(SEND \x83\x65)", false, true, "!REFUSED.NC (NOT FOUND)\r\n");
        row("hidden", "(SEND .HIDDEN.NC)", false, true, "!REFUSED.NC (.HIDDEN.NC NAME REFUSED)\r\n");
        row("no name", "(SEND )", true, true, "!REFUSED.MIN (NO NAME)\r\n");
        row("list, seven bits", "(LIST)", true, false, "LIST.MIN (PROGRAMS 4)\r\n" + listed);
    }

    void aRequestIsAnsweredFromTheFolder()
    {
        QFETCH(QByteArray, request);
        QFETCH(bool, osp);
        QFETCH(bool, eightBit);
        QTEST(answerTo(request, m_dir.filePath("M"), osp, eightBit, m_answers), "answer");
    }

    void aLongListIsCutAndAMissingFolderRefused()
    {
        for (int i = 0; i < RequestAnswer::ListMost + 3; ++i)
            m_dir.addFile(QStringLiteral("M/P%1.NC").arg(i, 3, 10, QLatin1Char('0')));
        const QByteArray list = answerTo("(LIST)", m_dir.filePath("M"), false, true, m_answers);
        QVERIFY(list.startsWith("LIST.NC (PROGRAMS 208)\r\n(O1234.MIN)\r\n"));
        QVERIFY(list.endsWith("(P195.NC)\r\n(AND 8 MORE)\r\n"));
        QCOMPARE(list.count('\n'), RequestAnswer::ListMost + 2);
        QCOMPARE(answerTo("(LIST)", m_dir.filePath("GONE"), 0, 1, m_answers),
                 "!REFUSED.NC (FOLDER NOT READY)\r\n");
    }

    // What a shop wrote, read as far as it makes sense; a file not there yet is made to be edited.
    void theSettingsBesideTheMachine()
    {
        for (const auto &[file, read] :
             {std::pair<QByteArray, QString>{"", "SEND LIST 300 5 "},
              {"[Listen]\nSendWord= get \nListWord=DIR\nDc1WaitSeconds=2\nBackups=500\nFolder=../NC/L1\n",
               "get DIR 5 99 <dir>/../NC/L1"},
              {"[Listen]\nSendWord=S-1\nListWord=send\nDc1WaitSeconds=x\nBackups=-1\nFolder=/srv/nc\n",
               "SEND LIST 300 0 /srv/nc"}}) {
            TestDir dir;
            if (!file.isEmpty())
                dir.addFile("OSP-E100.LSN", file);
            const ListenSettings got = ListenSettings::load(dir.path(), "osp-e100.mch");
            QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5")
                         .arg(got.SendWord, got.ListWord)
                         .arg(got.Dc1WaitSeconds)
                         .arg(got.Backups)
                         .arg(QString(got.Folder).replace(dir.path(), "<dir>")),
                     read);
            QCOMPARE(verdictOf("(" + got.SendWord.toLatin1() + " A)", got), "send A");
            QVERIFY(contentOf(ListenSettings::fileFor(dir.path(), "OSP-E100.MCH")).contains("Backups="));
        }
    }
};

QTEST_GUILESS_MAIN(tst_Requests)
#include "tst_Requests.moc"
