// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/AppState.h"
#include "platform/files/NativeName.h"
#include "shell/PersistedSettings.h"
#include "shell/WindowPlacement.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class tst_PersistedSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("talvern.ini")); }

    // The ten numbers in the order they are stored: four window values, then the six print options.
    static QList<double> numbers(const WindowPlacement &p, const AppState &s)
    {
        const PrintOptions &o = s.Print;
        return QList<double>() << p.MainLeft << p.MainTop << p.MainWidth << p.MainHeight << o.PrintFontSize
                               << qint16(o.PrinterOrientation) << o.LeftMerge << o.RightMerge
                               << qint16(o.PrintLineNo) << qint16(o.PrintDate);
    }

    // Loads into a state unlike every default, so that a value left unloaded would show.
    QList<double> load(AppState &state) const
    {
        state.CurrentFolder = QStringLiteral("/left/over");
        state.Machine.MchFileName = QStringLiteral("LEFTOVER.MCH");
        state.Print = {QStringLiteral("Leftover"), 99, PageOrientation(9), 99, 99, PrintOptions::Columns(9),
                       PrintOptions::HeaderDate(9)};
        QSettings store(path(), QSettings::IniFormat);
        return numbers(PersistedSettings::load(store, state), state);
    }

private slots:
    void init() { QFile::remove(path()); }

    // An empty settings file name comes back empty ("none loaded"), not as the default. Window values are
    // stored as decimal text, with a fractional part only when they have one.
    void roundTrip()
    {
        const WindowPlacement saved{
            .MainLeft = -1234.5f, .MainTop = 1.0f / 3, .MainWidth = 15000, .MainHeight = 6170};
        AppState savedState;
        savedState.CurrentFolder = m_dir.filePath(QStringLiteral("加工データ/NC, 旋盤=1;#2"));
        savedState.Machine.MchFileName.clear();
        // Numbers the program has no name for come back as they were.
        savedState.Print = {
            QStringLiteral("ＭＳ Ｐゴシック"), 14, PageOrientation(-2), 25, 7, PrintOptions::Columns(3),
            PrintOptions::HeaderDate(7)};
        {
            QSettings store(path(), QSettings::IniFormat);
            PersistedSettings::save(store, saved, savedState);
        }
        QFile file(path());
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        QVERIFY(lines.contains(QStringLiteral("MainLeft=-1234.5")));

        AppState state;
        QCOMPARE(load(state), numbers(saved, savedState));
        QCOMPARE(state.CurrentFolder, savedState.CurrentFolder);
        QCOMPARE(state.Machine.MchFileName, QString());
        QCOMPARE(state.Print.PrintFontName, savedState.Print.PrintFontName);
    }

    // A remembered folder comes back byte for byte, also when its name is not UTF-8 (a lone surrogate
    // does not survive the store's text); any other path is stored as the plain text it always was.
    void aRememberedFolderKeepsItsBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("line"); // in the file; "" when not plain text
        QTest::newRow("utf-8") << QByteArray("/nc/加工") << "OpenPathName=/nc/加工";
        QTest::newRow("shift_jis") << QByteArray("/nc/\x83\x76\x83\x8D\x83\x4F") << "";
        QTest::newRow("shift_jis under utf-8") << QByteArray("/加工/\x83\x76\x83\x8D\x83\x4F/NC, 1") << "";
        QTest::newRow("a lone byte") << QByteArray("/nc/\xE9") << "";
    }

    void aRememberedFolderKeepsItsBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line);
        AppState saved;
        saved.CurrentFolder = NativeName::fromBytes(bytes);
        {
            QSettings store(path(), QSettings::IniFormat);
            PersistedSettings::save(store, WindowPlacement(), saved);
        }
        AppState state;
        load(state);
        QCOMPARE(NativeName::toBytes(state.CurrentFolder), bytes);
        if (!line.isEmpty()) {
            QFile file(path());
            QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
            QVERIFY(QString::fromUtf8(file.readAll()).split(u'\n').contains(line));
        }
    }

    // Texts as another program or an older run might have left them: each unusable number falls back to its
    // own default while the keys around it still load; halves round to the even neighbour. Texts not
    // stored come back as their defaults.
    void numbersReadFromText_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QList<double>>("loaded");
        QTest::newRow("nothing stored")
            << QStringList() << QList<double>{1800, 1100, 12000, 10000, 11, 1, 10, 0, 1, 2};
        // 32768 does not fit the column count's 16 bits; -32768 just fits the date option's.
        QTest::newRow("unusable") << QStringList{"MainLeft=abc",       "MainTop=2250.5",
                                                 "MainWidth=inf",      "MainHeight=8400",
                                                 "PrintFontSize=12px", "PrinterOrientation=2",
                                                 "LeftMerge=25",       "RightMerge=ten",
                                                 "PrintLineNo=32768",  "PrintDate=-32768"}
                                  << QList<double>{1800, 2250.5, 12000, 8400, 11, 2, 25, 0, 1, -32768};
        QTest::newRow("halves") << QStringList{"PrintFontSize=11.5", "LeftMerge=12.5", "PrintLineNo=1.5",
                                               "PrintDate=0.4", "RightMerge= 3 "}
                                << QList<double>{1800, 1100, 12000, 10000, 12, 1, 12, 3, 2, 0};
    }

    void numbersReadFromText()
    {
        QFETCH(QStringList, stored);
        QFETCH(QList<double>, loaded);
        {
            QSettings store(path(), QSettings::IniFormat);
            for (const QString &entry : stored)
                store.setValue(QStringLiteral("Settings/") + entry.section(u'=', 0, 0),
                               entry.section(u'=', 1));
        }
        AppState state;
        QCOMPARE(load(state), loaded);
#if defined(Q_OS_WIN)
        QCOMPARE(state.CurrentFolder, QStringLiteral("C:/"));
#else
        QCOMPARE(state.CurrentFolder, QStringLiteral("/"));
#endif
        QCOMPARE(state.Machine.MchFileName, QStringLiteral("OSP-E100.MCH"));
        QCOMPARE(state.Print.PrintFontName, QStringLiteral("ＭＳ 明朝"));
    }

    // Two windows closed at once, over and over, in processes of their own: each close writes its whole
    // set under the settings file's lock and replaces the file in one step, so whoever reads it meanwhile
    // or afterwards finds one window's whole set, the last one's at the end.
    void windowsClosedAtOnceLeaveOneWholeSet()
    {
        const int rounds = 100;
        QProcess writers[2];
        for (int writer = 1; writer <= 2; ++writer)
            writers[writer - 1].start(
                QCoreApplication::applicationDirPath() + QStringLiteral("/talvern-peer"),
                {QStringLiteral("save-settings"), path(), QString::number(writer), QString::number(rounds)});
        // The tag all thirteen values carry (writer * 1000 + round), or -1 when they are not one set. Read
        // from the bytes: QSettings keeps a parse per process and trusts it while size and time stay.
        const auto tagOfFile = [this] {
            QFile file(path());
            if (!file.open(QIODevice::ReadOnly))
                return -1;
            bool inSettings = false;
            int keys = 0;
            QSet<QString> tags;
            for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
                if (line.startsWith(u'['))
                    inSettings = line.trimmed() == QStringLiteral("[Settings]");
                else if (inSettings && line.contains(u'=')) {
                    ++keys;
                    tags << line.section(u'=', 1).remove(QRegularExpression(QStringLiteral("\\D")));
                }
            }
            return keys == 13 && tags.size() == 1 ? tags.begin()->toInt() : -1;
        };
        int looks = 0;
        const QDeadlineTimer deadline(60000);
        while (writers[0].state() != QProcess::NotRunning || writers[1].state() != QProcess::NotRunning) {
            QVERIFY(!deadline.hasExpired());
            if (QFile::exists(path())) {
                QVERIFY2(tagOfFile() >= 1000, "not one window's whole set");
                ++looks;
            }
            QCoreApplication::processEvents();
        }
        for (QProcess &writer : writers)
            QCOMPARE(writer.exitCode(), 0);
        QVERIFY(looks > 0);
        QCOMPARE(tagOfFile() % 1000, rounds - 1);
    }
};

QTEST_GUILESS_MAIN(tst_PersistedSettings)
#include "tst_PersistedSettings.moc"
