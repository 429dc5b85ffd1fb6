#include "shell/AppState.h"
#include "shell/PersistedSettings.h"
#include "shell/WindowPlacement.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The ten numbers in the order they are stored: four window values, then the six print options.
QList<double> numbers(const WindowPlacement &p, const AppState &s)
{
    const PrintOptions &o = s.Print;
    return QList<double>() << p.MainLeft << p.MainTop << p.MainWidth << p.MainHeight << o.PrintFontSize
                           << o.PrinterOrientation << o.LeftMerge << o.RightMerge << o.PrintLineNo
                           << o.PrintDate;
}

} // namespace

class tst_PersistedSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("talvern.ini")); }

    // Loads into a state unlike every default, so that a value left unloaded would show.
    WindowPlacement load(AppState &state) const
    {
        state.CurrentFolder = QStringLiteral("/left/over");
        state.Machine.MchFileName = QStringLiteral("LEFTOVER.MCH");
        state.Print = {.PrintFontName = QStringLiteral("Leftover"),
                       .PrintFontSize = 99,
                       .PrinterOrientation = 9,
                       .LeftMerge = 99,
                       .RightMerge = 99,
                       .PrintLineNo = 9,
                       .PrintDate = 9};
        QSettings store(path(), QSettings::IniFormat);
        return PersistedSettings::load(store, state);
    }
    void save(const WindowPlacement &placement, const AppState &state) const
    {
        QSettings store(path(), QSettings::IniFormat);
        PersistedSettings::save(store, placement, state);
    }
    // Texts as another program or an older run might have left them under Settings.
    void writeRaw(const QList<std::pair<QString, QString>> &values) const
    {
        QSettings store(path(), QSettings::IniFormat);
        for (const auto &[key, text] : values)
            store.setValue(QStringLiteral("Settings/") + key, text);
    }

private slots:
    void init() { QFile::remove(path()); }

    void emptyStoreGivesDefaults()
    {
        AppState state;
        const WindowPlacement placement = load(state);
        QCOMPARE(numbers(placement, state), (QList<double>{1800, 1100, 12000, 10000, 11, 1, 10, 0, 1, 2}));
#if defined(Q_OS_WIN)
        QCOMPARE(state.CurrentFolder, QStringLiteral("C:/"));
#else
        QCOMPARE(state.CurrentFolder, QStringLiteral("/"));
#endif
        QCOMPARE(state.Machine.MchFileName, QStringLiteral("OSP-E100.MCH"));
        QCOMPARE(state.Print.PrintFontName, QStringLiteral("ＭＳ 明朝"));
    }

    // An empty settings file name comes back empty ("none loaded"), not as the default.
    void roundTrip()
    {
        const WindowPlacement saved{
            .MainLeft = -1234.5f, .MainTop = 1.0f / 3, .MainWidth = 15000, .MainHeight = 6170};
        AppState savedState;
        savedState.CurrentFolder = m_dir.filePath(QStringLiteral("加工データ/NC, 旋盤=1;#2"));
        savedState.Machine.MchFileName.clear();
        savedState.Print = {.PrintFontName = QStringLiteral("ＭＳ Ｐゴシック"),
                            .PrintFontSize = 14,
                            .PrinterOrientation = 2,
                            .LeftMerge = 25,
                            .RightMerge = 7,
                            .PrintLineNo = 2,
                            .PrintDate = 0};
        save(saved, savedState);

        AppState state;
        const WindowPlacement placement = load(state);
        QCOMPARE(numbers(placement, state), numbers(saved, savedState));
        QCOMPARE(state.CurrentFolder, savedState.CurrentFolder);
        QCOMPARE(state.Machine.MchFileName, QString());
        QCOMPARE(state.Print.PrintFontName, savedState.Print.PrintFontName);
    }

    // Window values are decimal text, with a fractional part only when they have one.
    void writesWindowValuesAsTextUnderSettings()
    {
        WindowPlacement placement; // MainWidth stays the whole 12000
        placement.MainLeft = 1800.5f;
        save(placement, AppState());

        QFile file(path());
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        QCOMPARE(lines.first(), QStringLiteral("[Settings]"));
        QVERIFY2(lines.contains(QStringLiteral("MainLeft=1800.5")), qPrintable(lines.join(u' ')));
        QVERIFY2(lines.contains(QStringLiteral("MainWidth=12000")), qPrintable(lines.join(u' ')));
    }

    // Each unusable number falls back to its own default; the keys around it still load.
    void unusableNumbersFallBackPerKey()
    {
        writeRaw({{"MainLeft", "abc"},
                  {"MainTop", "2250.5"},
                  {"MainWidth", "inf"},
                  {"MainHeight", "8400"},
                  {"PrintFontSize", "12px"},
                  {"PrinterOrientation", "2"},
                  {"LeftMerge", "25"},
                  {"RightMerge", "ten"},
                  {"PrintLineNo", "32768"},
                  {"PrintDate", "-32768"},
                  {"MchFileName", "FANUC.MCH"},
                  {"PrintFontName", "IPAmj明朝"}});
        AppState state;
        const WindowPlacement placement = load(state);
        // 32768 does not fit the column count's 16 bits; -32768 just fits the date option's.
        QCOMPARE(numbers(placement, state),
                 (QList<double>{1800, 2250.5, 12000, 8400, 11, 2, 25, 0, 1, -32768}));
        QCOMPARE(state.Machine.MchFileName, QStringLiteral("FANUC.MCH"));
        QCOMPARE(state.Print.PrintFontName, QStringLiteral("IPAmj明朝"));
    }

    void halvesRoundToEven()
    {
        writeRaw(
            {{"PrintFontSize", "11.5"}, {"LeftMerge", "12.5"}, {"PrintLineNo", "1.5"}, {"PrintDate", "0.4"}});
        AppState state;
        load(state);
        QCOMPARE(state.Print.PrintFontSize, 12);
        QCOMPARE(state.Print.LeftMerge, 12);
        QCOMPARE(state.Print.PrintLineNo, qint16(2));
        QCOMPARE(state.Print.PrintDate, qint16(0));
    }
};

QTEST_GUILESS_MAIN(tst_PersistedSettings)
#include "tst_PersistedSettings.moc"
