// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/system/ConfigurationStore.h"
#include "platform/system/ToolLocator.h"
#include "shell/frmAbout.h"
#include "support/FakeTools.h"
#include "support/ProjectVersion.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TestDir.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

// Registry values by value name ("PATH" under the first key, "MSINFO" under the second); records the asks.
class ScriptedStore final : public ConfigurationStore {
public:
    Value GetKeyValue(Root root, const QString &keyPath, const QString &valueName) const override
    {
        asked
            << QStringLiteral("%1 %2\\%3").arg(root == Root::LocalMachine ? "HKLM" : "?", keyPath, valueName);
        return values.contains(valueName) ? Value{true, values.value(valueName)} : Value{};
    }
    QHash<QString, QString> values;
    mutable QStringList asked;
};

const QString FirstKey = QStringLiteral("HKLM SOFTWARE\\Microsoft\\Shared Tools\\MSINFO\\PATH");
const QString SecondKey = QStringLiteral("HKLM SOFTWARE\\Microsoft\\Shared Tools Location\\MSINFO");

} // namespace

class tst_frmAbout : public QObject {
    Q_OBJECT

private slots:
    // The registry's values as "name=text" ("PATH" under the first key, "MSINFO" under the second), the
    // programs on PATH, whether a start succeeds, the keys asked and what was started (program, then
    // arguments). <empty> and <tool> are folders without and with MSINFO32.EXE, <bin> the PATH folder.
    void systemInformation_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("onPath");
        QTest::addColumn<bool>("launches");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QStringList>("started");
        const QStringList both = {FirstKey, SecondKey}, first = {FirstKey};
        QTest::newRow("first key") << QStringList{"PATH=C:\\MSINFO\\msinfo32.exe"} << QStringList{"hardinfo"}
                                   << true << first << QStringList{"C:\\MSINFO\\msinfo32.exe"};
        QTest::newRow("first key empty") << QStringList{"PATH=", "MSINFO=<tool>"} << QStringList{"hardinfo"}
                                         << true << first << QStringList();
        QTest::newRow("first key, start refused")
            << QStringList{"PATH=msinfo32"} << QStringList() << false << first << QStringList{"msinfo32"};
        QTest::newRow("second key") << QStringList{"MSINFO=<tool>"} << QStringList{"hardinfo"} << true << both
                                    << QStringList{"<tool>/MSINFO32.EXE"};
        QTest::newRow("second key, no program there")
            << QStringList{"MSINFO=<empty>"} << QStringList{"hardinfo"} << true << both << QStringList();
        QTest::newRow("no registry: a profiler first")
            << QStringList() << QStringList{"gnome-control-center", "kinfocenter", "hardinfo"} << true << both
            << QStringList{"<bin>/hardinfo"};
        QTest::newRow("no registry: GNOME's page")
            << QStringList() << QStringList{"gnome-control-center"} << true << both
            << QStringList{"<bin>/gnome-control-center", "info-overview"};
        QTest::newRow("nothing at all") << QStringList() << QStringList() << true << both << QStringList();
    }
    void systemInformation()
    {
        QFETCH(QStringList, values);
        QFETCH(QStringList, onPath);
        QFETCH(bool, launches);
        QFETCH(QStringList, started);
        TestDir empty, tool;
        tool.addFile(QStringLiteral("MSINFO32.EXE"), "MZ");
        FakeTools tools;
        tools.install(onPath);
        const auto expand = [&](QString text) {
            return text.replace("<empty>", empty.path())
                .replace("<tool>", tool.path())
                .replace("<bin>", tools.environment().value("PATH"));
        };
        ScriptedStore store;
        for (const QString &value : values)
            store.values.insert(value.section('=', 0, 0), expand(value.section('=', 1)));
        const ToolLocator locator(tools.environment());
        RecordingLauncher launcher;
        launcher.succeeds = launches;
        ScriptedMessageBoxes messages;
        frmAbout dialog(store, locator, launcher, messages, nullptr);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報 Talvern"));
        QCOMPARE(dialog.lblTitle->text(), QStringLiteral("Talvern"));
        QVERIFY(!projectVersion().isEmpty());
        QCOMPARE(dialog.lblVersion->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + projectVersion());

        dialog.cmdSysInfo->click();
        QTEST(store.asked, "asked");
        QStringList seen;
        for (const RecordingLauncher::Started &start : launcher.started)
            seen << QDir::fromNativeSeparators(start.program) << start.arguments;
        for (QString &item : started)
            item = expand(item);
        QCOMPARE(seen, started);
        const bool refused = started.isEmpty() || !launches;
        QCOMPARE(messages.shown.size(), refused ? 1 : 0);
        if (refused) {
            QCOMPARE(messages.shown[0].text, QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません"));
            QCOMPARE(messages.shown[0].title, QString());
            QCOMPARE(messages.shown[0].icon, MessageBoxes::Icon::None);
            QCOMPARE(messages.shown[0].buttons, MessageBoxes::Buttons::Ok);
        }
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(tst_frmAbout)
#include "tst_frmAbout.moc"
