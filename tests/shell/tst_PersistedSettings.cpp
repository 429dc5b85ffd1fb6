#include "shell/AppState.h"
#include "shell/PersistedSettings.h"
#include "shell/WindowPlacement.h"

#include <QFile>
#include <QMap>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class tst_PersistedSettings : public QObject {
    Q_OBJECT

private slots:
    void init();

    void emptyStoreGivesDefaults();
    void keysOutsideTheGroupAreIgnored();
    void roundTrip();
    void windowValueRoundTrip_data();
    void windowValueRoundTrip();
    void emptyTextsStayEmpty();
    void writesTextUnderSettings_data();
    void writesTextUnderSettings();
    void writesOnlyTheThirteenKeys();
    void unusableNumberFallsBack_data();
    void unusableNumberFallsBack();
    void integerTexts_data();
    void integerTexts();

private:
    QString storePath() const { return m_dir->filePath(QStringLiteral("talvern.ini")); }
    // Writes raw texts into the store, as another program or an older run might have left them.
    void writeRaw(const QMap<QString, QString> &values) const;
    QMap<QString, QString> rawFileValues() const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

#if defined(Q_OS_WIN)
const QString SystemFolder = QStringLiteral("C:/");
#else
const QString SystemFolder = QStringLiteral("/");
#endif

// The ten numeric keys with their defaults and a valid, non-default stored value.
struct NumericKey {
    const char *key;
    double fallback;
    const char *stored;
    double storedValue;
};

const NumericKey NumericKeys[] = {
    {"MainLeft", 1800, "-450", -450},     {"MainTop", 1100, "2250.5", 2250.5},
    {"MainWidth", 12000, "15000", 15000}, {"MainHeight", 10000, "8400", 8400},
    {"PrintFontSize", 11, "9", 9},        {"PrinterOrientation", 1, "2", 2},
    {"LeftMerge", 10, "25", 25},          {"RightMerge", 0, "5", 5},
    {"PrintLineNo", 1, "2", 2},           {"PrintDate", 2, "0", 0},
};

QMap<QString, double> numericValues(const WindowPlacement &placement, const AppState &state)
{
    return {
        {QStringLiteral("MainLeft"), placement.MainLeft},
        {QStringLiteral("MainTop"), placement.MainTop},
        {QStringLiteral("MainWidth"), placement.MainWidth},
        {QStringLiteral("MainHeight"), placement.MainHeight},
        {QStringLiteral("PrintFontSize"), state.Print.PrintFontSize},
        {QStringLiteral("PrinterOrientation"), state.Print.PrinterOrientation},
        {QStringLiteral("LeftMerge"), state.Print.LeftMerge},
        {QStringLiteral("RightMerge"), state.Print.RightMerge},
        {QStringLiteral("PrintLineNo"), state.Print.PrintLineNo},
        {QStringLiteral("PrintDate"), state.Print.PrintDate},
    };
}

// Something other than every default, so that a value left over in memory would show.
AppState strangeState()
{
    AppState state;
    state.CurrentFolder = QStringLiteral("/nowhere");
    state.Machine.MchFileName = QStringLiteral("LEFTOVER.MCH");
    state.Print.PrintFontName = QStringLiteral("Leftover");
    state.Print.PrintFontSize = 99;
    state.Print.PrinterOrientation = 9;
    state.Print.LeftMerge = 99;
    state.Print.RightMerge = 99;
    state.Print.PrintLineNo = 9;
    state.Print.PrintDate = 9;
    return state;
}

} // namespace

void tst_PersistedSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_PersistedSettings::writeRaw(const QMap<QString, QString> &values) const
{
    QSettings store(storePath(), QSettings::IniFormat);
    for (auto it = values.begin(); it != values.end(); ++it)
        store.setValue(it.key(), it.value());
    store.sync();
    QCOMPARE(store.status(), QSettings::NoError);
}

QMap<QString, QString> tst_PersistedSettings::rawFileValues() const
{
    QFile file(storePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QMap<QString, QString> values;
    QString group;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1Char('['))) {
            group = line.mid(1, line.indexOf(QLatin1Char(']')) - 1);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            values.insert(group + QLatin1Char('/') + line.left(equals).trimmed(),
                          line.mid(equals + 1).trimmed());
    }
    return values;
}

void tst_PersistedSettings::emptyStoreGivesDefaults()
{
    QSettings store(storePath(), QSettings::IniFormat);
    AppState state = strangeState();
    const WindowPlacement placement = PersistedSettings::load(store, state);

    QCOMPARE(placement.MainLeft, 1800.0f);
    QCOMPARE(placement.MainTop, 1100.0f);
    QCOMPARE(placement.MainWidth, 12000.0f);
    QCOMPARE(placement.MainHeight, 10000.0f);
    QCOMPARE(state.CurrentFolder, SystemFolder);
    QCOMPARE(state.Machine.MchFileName, QStringLiteral("OSP-E100.MCH"));
    QCOMPARE(state.Print.PrintFontName, QStringLiteral("ＭＳ 明朝"));
    QCOMPARE(state.Print.PrintFontSize, 11);
    QCOMPARE(state.Print.PrinterOrientation, qint16(1));
    QCOMPARE(state.Print.LeftMerge, 10);
    QCOMPARE(state.Print.RightMerge, 0);
    QCOMPARE(state.Print.PrintLineNo, qint16(1));
    QCOMPARE(state.Print.PrintDate, qint16(2));
}

void tst_PersistedSettings::keysOutsideTheGroupAreIgnored()
{
    writeRaw({{QStringLiteral("MainWidth"), QStringLiteral("5000")},
              {QStringLiteral("Other/PrintFontSize"), QStringLiteral("20")},
              {QStringLiteral("Other/MchFileName"), QStringLiteral("OTHER.MCH")}});

    QSettings store(storePath(), QSettings::IniFormat);
    AppState state;
    const WindowPlacement placement = PersistedSettings::load(store, state);
    QCOMPARE(placement.MainWidth, 12000.0f);
    QCOMPARE(state.Print.PrintFontSize, 11);
    QCOMPARE(state.Machine.MchFileName, QStringLiteral("OSP-E100.MCH"));
}

void tst_PersistedSettings::roundTrip()
{
    WindowPlacement saved;
    saved.MainLeft = -1234.5f;
    saved.MainTop = 33000;
    saved.MainWidth = 15000.25f;
    saved.MainHeight = 6170;
    AppState savedState;
    savedState.CurrentFolder = m_dir->filePath(QStringLiteral("加工データ/NC, 旋盤=1;#2"));
    savedState.Machine.MchFileName = QStringLiteral("FANUC-0M.MCH");
    savedState.Print.PrintFontName = QStringLiteral("ＭＳ Ｐゴシック");
    savedState.Print.PrintFontSize = 14;
    savedState.Print.PrinterOrientation = 2;
    savedState.Print.LeftMerge = 25;
    savedState.Print.RightMerge = 7;
    savedState.Print.PrintLineNo = 2;
    savedState.Print.PrintDate = 0;
    {
        QSettings store(storePath(), QSettings::IniFormat);
        PersistedSettings::save(store, saved, savedState);
    }

    QSettings store(storePath(), QSettings::IniFormat);
    AppState state = strangeState();
    const WindowPlacement placement = PersistedSettings::load(store, state);
    QCOMPARE(placement.MainLeft, saved.MainLeft);
    QCOMPARE(placement.MainTop, saved.MainTop);
    QCOMPARE(placement.MainWidth, saved.MainWidth);
    QCOMPARE(placement.MainHeight, saved.MainHeight);
    QCOMPARE(state.CurrentFolder, savedState.CurrentFolder);
    QCOMPARE(state.Machine.MchFileName, savedState.Machine.MchFileName);
    QCOMPARE(state.Print.PrintFontName, savedState.Print.PrintFontName);
    QCOMPARE(state.Print.PrintFontSize, savedState.Print.PrintFontSize);
    QCOMPARE(state.Print.PrinterOrientation, savedState.Print.PrinterOrientation);
    QCOMPARE(state.Print.LeftMerge, savedState.Print.LeftMerge);
    QCOMPARE(state.Print.RightMerge, savedState.Print.RightMerge);
    QCOMPARE(state.Print.PrintLineNo, savedState.Print.PrintLineNo);
    QCOMPARE(state.Print.PrintDate, savedState.Print.PrintDate);
}

void tst_PersistedSettings::windowValueRoundTrip_data()
{
    QTest::addColumn<float>("value");
    QTest::newRow("zero") << 0.0f;
    QTest::newRow("one tenth") << 0.1f;
    QTest::newRow("a third") << 1.0f / 3.0f;
    QTest::newRow("negative fraction") << -7.75f;
    QTest::newRow("largest exact integer") << 16777216.0f;
    QTest::newRow("huge") << 3.0e20f;
    QTest::newRow("tiny") << 1.0e-6f;
}

// Whatever the text looks like, the next start must get the very same float back.
void tst_PersistedSettings::windowValueRoundTrip()
{
    QFETCH(float, value);
    WindowPlacement saved;
    saved.MainLeft = value;
    saved.MainHeight = -value;
    {
        QSettings store(storePath(), QSettings::IniFormat);
        PersistedSettings::save(store, saved, AppState());
    }
    QSettings store(storePath(), QSettings::IniFormat);
    AppState state;
    const WindowPlacement placement = PersistedSettings::load(store, state);
    QVERIFY2(placement.MainLeft == value, qPrintable(QString::number(double(placement.MainLeft), 'g', 12)));
    QVERIFY2(placement.MainHeight == -value,
             qPrintable(QString::number(double(placement.MainHeight), 'g', 12)));
}

// An empty settings file name means "none loaded" on the next start, not the default file.
void tst_PersistedSettings::emptyTextsStayEmpty()
{
    AppState saved;
    saved.Machine.MchFileName.clear();
    saved.Print.PrintFontName.clear();
    {
        QSettings store(storePath(), QSettings::IniFormat);
        PersistedSettings::save(store, WindowPlacement(), saved);
    }
    QSettings store(storePath(), QSettings::IniFormat);
    AppState state;
    PersistedSettings::load(store, state);
    QCOMPARE(state.Machine.MchFileName, QString());
    QCOMPARE(state.Print.PrintFontName, QString());
    QCOMPARE(state.CurrentFolder, QString());
}

void tst_PersistedSettings::writesTextUnderSettings_data()
{
    QTest::addColumn<float>("left");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");

    // Defaults everywhere except the left edge given in the first column.
    QTest::newRow("whole width") << 1800.0f << "MainWidth"
                                 << "12000";
    QTest::newRow("whole height") << 1800.0f << "MainHeight"
                                  << "10000";
    QTest::newRow("whole left") << 1800.0f << "MainLeft"
                                << "1800";
    QTest::newRow("fractional left") << 1800.5f << "MainLeft"
                                     << "1800.5";
    QTest::newRow("negative left") << -300.0f << "MainLeft"
                                   << "-300";
    QTest::newRow("negative fractional left") << -0.25f << "MainLeft"
                                              << "-0.25";
    QTest::newRow("zero left") << 0.0f << "MainLeft"
                               << "0";
    QTest::newRow("top") << 1800.0f << "MainTop"
                         << "1100";
    QTest::newRow("settings file") << 1800.0f << "MchFileName"
                                   << "OSP-E100.MCH";
    QTest::newRow("font size") << 1800.0f << "PrintFontSize"
                               << "11";
    QTest::newRow("orientation") << 1800.0f << "PrinterOrientation"
                                 << "1";
    QTest::newRow("left margin") << 1800.0f << "LeftMerge"
                                 << "10";
    QTest::newRow("right margin") << 1800.0f << "RightMerge"
                                  << "0";
    QTest::newRow("columns") << 1800.0f << "PrintLineNo"
                             << "1";
    QTest::newRow("date") << 1800.0f << "PrintDate"
                          << "2";
}

void tst_PersistedSettings::writesTextUnderSettings()
{
    QFETCH(float, left);
    QFETCH(QString, key);
    QFETCH(QString, text);

    WindowPlacement placement;
    placement.MainLeft = left;
    {
        QSettings store(storePath(), QSettings::IniFormat);
        PersistedSettings::save(store, placement, AppState());
    }
    const QMap<QString, QString> raw = rawFileValues();
    QVERIFY2(raw.contains(QStringLiteral("Settings/") + key), qPrintable(QStringList(raw.keys()).join(u' ')));
    QCOMPARE(raw.value(QStringLiteral("Settings/") + key), text);
}

void tst_PersistedSettings::writesOnlyTheThirteenKeys()
{
    AppState state;
    state.CurrentFolder = QStringLiteral("/tmp");
    {
        QSettings store(storePath(), QSettings::IniFormat);
        PersistedSettings::save(store, WindowPlacement(), state);
    }
    QSettings store(storePath(), QSettings::IniFormat);
    QCOMPARE(store.childGroups(), QStringList{QStringLiteral("Settings")});
    QVERIFY(store.childKeys().isEmpty());
    store.beginGroup(QStringLiteral("Settings"));
    QStringList keys = store.childKeys();
    keys.sort();
    QStringList expected = {QStringLiteral("MainLeft"),           QStringLiteral("MainTop"),
                            QStringLiteral("MainWidth"),          QStringLiteral("MainHeight"),
                            QStringLiteral("OpenPathName"),       QStringLiteral("MchFileName"),
                            QStringLiteral("PrintFontName"),      QStringLiteral("PrintFontSize"),
                            QStringLiteral("PrinterOrientation"), QStringLiteral("LeftMerge"),
                            QStringLiteral("RightMerge"),         QStringLiteral("PrintLineNo"),
                            QStringLiteral("PrintDate")};
    expected.sort();
    QCOMPARE(keys, expected);
    QCOMPARE(store.value(QStringLiteral("OpenPathName")).toString(), QStringLiteral("/tmp"));
    QCOMPARE(store.value(QStringLiteral("PrintFontName")).toString(), QStringLiteral("ＭＳ 明朝"));
}

void tst_PersistedSettings::unusableNumberFallsBack_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");

    QTest::newRow("letters in a window value") << "MainLeft"
                                               << "abc";
    QTest::newRow("empty window value") << "MainTop"
                                        << "";
    QTest::newRow("unit after a window value") << "MainWidth"
                                               << "12px";
    QTest::newRow("infinite window value") << "MainHeight"
                                           << "inf";
    QTest::newRow("not-a-number window value") << "MainWidth"
                                               << "nan";
    QTest::newRow("window value beyond a float") << "MainHeight"
                                                 << "1e39";
    QTest::newRow("letters in font size") << "PrintFontSize"
                                          << "abc";
    QTest::newRow("empty font size") << "PrintFontSize"
                                     << "";
    QTest::newRow("unit after margin") << "LeftMerge"
                                       << "12px";
    QTest::newRow("word for a margin") << "RightMerge"
                                       << "ten";
    QTest::newRow("empty orientation") << "PrinterOrientation"
                                       << "";
    QTest::newRow("orientation beyond 16 bits") << "PrinterOrientation"
                                                << "70000";
    QTest::newRow("columns beyond 16 bits") << "PrintLineNo"
                                            << "32768";
    QTest::newRow("date below 16 bits") << "PrintDate"
                                        << "-32769";
    QTest::newRow("font size beyond 32 bits") << "PrintFontSize"
                                              << "2147483648";
    QTest::newRow("margin below 32 bits") << "LeftMerge"
                                          << "-2147483649";
}

// One bad key falls back to its own default; the keys around it still load.
void tst_PersistedSettings::unusableNumberFallsBack()
{
    QFETCH(QString, key);
    QFETCH(QString, text);

    QMap<QString, QString> raw = {{QStringLiteral("Settings/PrintFontName"), QStringLiteral("IPAmj明朝")},
                                  {QStringLiteral("Settings/MchFileName"), QStringLiteral("FANUC.MCH")},
                                  {QStringLiteral("Settings/OpenPathName"), QStringLiteral("/tmp")}};
    QMap<QString, double> expected;
    for (const NumericKey &numeric : NumericKeys) {
        const QString name = QString::fromLatin1(numeric.key);
        raw.insert(QStringLiteral("Settings/") + name,
                   name == key ? text : QString::fromLatin1(numeric.stored));
        expected.insert(name, name == key ? numeric.fallback : numeric.storedValue);
    }
    writeRaw(raw);

    QSettings store(storePath(), QSettings::IniFormat);
    AppState state = strangeState();
    const WindowPlacement placement = PersistedSettings::load(store, state);
    QCOMPARE(numericValues(placement, state), expected);
    QCOMPARE(state.Print.PrintFontName, QStringLiteral("IPAmj明朝"));
    QCOMPARE(state.Machine.MchFileName, QStringLiteral("FANUC.MCH"));
    QCOMPARE(state.CurrentFolder, QStringLiteral("/tmp"));
}

void tst_PersistedSettings::integerTexts_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("half up to even") << "PrintFontSize"
                                     << "11.5" << 12.0;
    QTest::newRow("half down to even") << "PrintFontSize"
                                       << "12.5" << 12.0;
    QTest::newRow("below half") << "LeftMerge"
                                << "10.4" << 10.0;
    QTest::newRow("above half") << "LeftMerge"
                                << "10.6" << 11.0;
    QTest::newRow("negative half to even") << "RightMerge"
                                           << "-1.5" << -2.0;
    QTest::newRow("minus a half to zero") << "RightMerge"
                                          << "-0.5" << 0.0;
    QTest::newRow("16-bit half down") << "PrinterOrientation"
                                      << "2.5" << 2.0;
    QTest::newRow("16-bit half up") << "PrintLineNo"
                                    << "1.5" << 2.0;
    QTest::newRow("16-bit top") << "PrintDate"
                                << "32767" << 32767.0;
    QTest::newRow("16-bit bottom") << "PrintDate"
                                   << "-32768" << -32768.0;
    QTest::newRow("32-bit top") << "LeftMerge"
                                << "2147483647" << 2147483647.0;
}

// Halves go to the even neighbour; each type's own limits still load.
void tst_PersistedSettings::integerTexts()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(double, value);

    writeRaw({{QStringLiteral("Settings/") + key, text}});
    QSettings store(storePath(), QSettings::IniFormat);
    AppState state;
    const WindowPlacement placement = PersistedSettings::load(store, state);
    QCOMPARE(numericValues(placement, state).value(key), value);
}

QTEST_GUILESS_MAIN(tst_PersistedSettings)
#include "tst_PersistedSettings.moc"
