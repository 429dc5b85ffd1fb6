#include "platform/QtTranslations.h"
#include "support/ProjectVersion.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class tst_Startup : public QObject {
    Q_OBJECT

private slots:
    // The program answers and ends before it needs a display or reads or writes a setting.
    void informationOptionsAnswerWithoutAWindow_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("begins"); // what the output begins with; "<version>" is the build's
        QTest::newRow("--version") << "--version"
                                   << "Talvern <version>\n";
        QTest::newRow("-v") << "-v"
                            << "Talvern <version>\n";
        QTest::newRow("--help") << "--help"
                                << "Usage: ";
        QTest::newRow("-h") << "-h"
                            << "Usage: ";
    }
    void informationOptionsAnswerWithoutAWindow()
    {
        QFETCH(QString, option);
        QFETCH(QString, begins);
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/talvern"), {option});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QString output = QString::fromUtf8(program.readAllStandardOutput());
        QVERIFY2(output.startsWith(begins.replace(QStringLiteral("<version>"), projectVersion())),
                 qPrintable(output));
        QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }

    // The program's interface is Japanese, so Qt's own buttons and dialogs are too.
    void qtsOwnTextsAreJapanese()
    {
        QVERIFY(QtTranslations::install(*QCoreApplication::instance()));
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
        QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("いいえ(&N)"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));

        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        const auto *buttons = dialog.findChild<QDialogButtonBox *>();
        QVERIFY(buttons);
        QCOMPARE(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("開く(&O)"));
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_Startup.moc"
