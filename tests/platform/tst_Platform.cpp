// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/files/MountedDrives.h"
#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"
#include "platform/serial/PortDevices.h"
#include "platform/system/QtProcessLauncher.h"
#include "platform/text/SystemReason.h"
#include "support/PermissionsEnforced.h"
#include "support/RawFolder.h"
#include "support/TestDir.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

class tst_Platform : public QObject {
    Q_OBJECT

private slots:
    // A name's bytes come back unchanged; only what is not UTF-8 is escaped, and display decodes it.
    void namesKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("escaped");
        QTest::addColumn<QString>("shown"); // null: not checked
        QTest::newRow("ascii") << QByteArray("O1000.MIN") << false << "O1000.MIN";
        QTest::newRow("utf-8") << QByteArray("加工.min") << false << "加工.min";
        QTest::newRow("four-byte utf-8") << QByteArray("\xf0\x9d\x84\x9e.min") << false << "𝄞.min";
        QTest::newRow("shift_jis") << QByteArray("\x89\xc1\x8dH.min") << true << "加工.min";
        QTest::newRow("half-width katakana") << QByteArray("\xb1\xd7.min") << true << "ｱﾗ.min";
        QTest::newRow("overlong utf-8 is katakana") << QByteArray("\xc0\xaf") << true << "ﾀｯ";
        QTest::newRow("no encoding") << QByteArray("BAD\xe9.MIN") << true << "BAD\uFFFD.MIN";
        QTest::newRow("cut short") << QByteArray("A\xe5") << true << "A\uFFFD";
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xb3\xa9") << true << QString();
        // U+10080's second half lies where escapes do: it is no escape.
        QTest::newRow("pair then stray byte") << QByteArray("\xf0\x90\x82\x80\xe9") << true << QString();
    }

    void namesKeepTheirBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, escaped);
        QFETCH(QString, shown);
        const QString name = NativeName::fromBytes(bytes);
        QCOMPARE(NativeName::toBytes(name), bytes);
        QCOMPARE(NativeName::isEscaped(name), escaped);
        if (!escaped)
            QCOMPARE(name, QString::fromUtf8(bytes));
        if (!shown.isNull())
            QCOMPARE(NativeName::shown(name), shown);
    }

    // A started program gets each argument's very bytes and runs on by itself in the folder given; one
    // that cannot start, or cannot enter its folder, is reported.
    void launchedProgramsGetTheBytes()
    {
        TestDir dir;
        const QString source = dir.addFile(QStringLiteral("src.min"), "O1");
        const QByteArray target = QFile::encodeName(dir.path()) + "/-\x89\xc1 \xe9.min";
        const auto removeTarget = qScopeGuard([&target] { ::unlink(target.constData()); }); // TestDir cannot
        QtProcessLauncher launcher;
        QVERIFY(launcher.launch("cp", {"--", QFile::encodeName(source), target}, {}));
        QTRY_COMPARE(NativeFile::status(NativeName::fromBytes(target)).value_or(NativeFile::Status()).size,
                     2);
        QVERIFY(!launcher.launch("talvern-no-such-program", {}, {}));

        const RawFolder folder(dir.path(), "\x83\x76\x83\x8d");
        const QByteArray folderBytes = NativeName::toBytes(folder.path());
        QVERIFY(launcher.launch("cp", {"--", QFile::encodeName(source), "here.min"}, folderBytes));
        QTRY_VERIFY(NativeFile::status(NativeFile::join(folder.path(), "here.min")).has_value());
        QVERIFY(!launcher.launch("true", {}, folderBytes + "/gone"));
    }

    void aPathLiesOnTheDriveWithTheLongestMatchingRoot_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("root");
        // clang-format off
        QTest::newRow("system") << "/home/op/nc" << "/";
        QTest::newRow("stick itself") << "/media/usb" << "/media/usb";
        QTest::newRow("inside the stick") << "/media/usb/progs" << "/media/usb";
        QTest::newRow("a longer name is another drive") << "/media/usb2/progs" << "/";
        QTest::newRow("nested mount") << "/media/usb/inner/x" << "/media/usb/inner";
        QTest::newRow("root") << "/" << "/";
        // clang-format on
    }

    void aPathLiesOnTheDriveWithTheLongestMatchingRoot()
    {
        QFETCH(QString, path);
        QTEST(MountedDrives::rootOf(path, {"/", "/media/usb", "/media/usb/inner", "/mnt/share"}), "root");
        QCOMPARE(MountedDrives::rootOf(path, {"/mnt/share"}), QString()); // on no known drive
    }

    void theSystemDriveIsListedAndSystemAreasAreNot()
    {
        const QStringList roots = MountedDrives::roots();
        QVERIFY(roots.contains(MountedDrives::systemRoot()));
        QVERIFY(MountedDrives::isMounted(MountedDrives::systemRoot()));
        for (const QString &root : roots) {
            for (const char *area : {"/proc", "/sys", "/dev"})
                QVERIFY2(!root.startsWith(QLatin1String(area)), qPrintable(root));
        }
        TestDir plain;
        QVERIFY(!MountedDrives::isMounted(plain.path()));
    }

    // A number is found by itself or by Qt's text of it; an unknown one is still named.
    void systemReasons_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("reason");
        QTest::newRow("first known") << ENOSPC << "ディスクの空き容量が不足しています。";
        QTest::newRow("further down") << ECONNREFUSED << "接続が拒否されました。";
        QTest::newRow("any other") << EPROTO
                                   << "システムエラーが発生しました(エラー番号 " + QString::number(EPROTO) +
                                          ")。";
    }

    void systemReasons()
    {
        QFETCH(int, number);
        QTEST(SystemReason::of(number), "reason");
        QTEST(SystemReason::ofText(qt_error_string(number)), "reason");
        QCOMPARE(SystemReason::ofText(QStringLiteral("Invalid baud rate value")), QString());
    }

    // A file Qt fails to open says why, also where Qt words the failure itself.
    void failuresOnFilesSayWhy_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("number");
        QTest::newRow("a folder, read") << "SUB" << false << EISDIR;
        QTest::newRow("in a read-only folder") << "LOCKED/NEW.MIN" << true << EACCES;
    }

    void failuresOnFilesSayWhy()
    {
        QFETCH(QString, path);
        QFETCH(bool, write);
        QFETCH(int, number);
        TestDir dir;
        dir.addFolder(QStringLiteral("SUB"));
        const QString locked = dir.addFolder(QStringLiteral("LOCKED"));
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        QFile file(dir.filePath(path));
        {
            const PermissionsEnforced enforced;
            QVERIFY(!file.open(write ? QIODevice::WriteOnly : QIODevice::ReadOnly));
        }
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(SystemReason::of(file), SystemReason::of(number));
    }

    // Port 3: the environment first, then the settings file's Ports group, then the first serial ports.
    void portNumbersNameDevices_data()
    {
        QTest::addColumn<QByteArray>("environment"); // TALVERN_COM3; null: unset
        QTest::addColumn<QString>("entry");          // Ports/COM3; null: none
        QTest::addColumn<QString>("device");
        const QString byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
        // clang-format off
        QTest::newRow("neither") << QByteArray() << QString() << "/dev/ttyS2";
        QTest::newRow("an adapter by its id") << QByteArray() << byId << byId;
        QTest::newRow("a bare name is in /dev") << QByteArray() << " ttyUSB0 " << "/dev/ttyUSB0";
        QTest::newRow("a device server") << QByteArray() << "rfc2217://10.0.0.5:4001" << "rfc2217://10.0.0.5:4001";
        QTest::newRow("a raw device server by the environment") << QByteArray("socket://plc-3:950") << "" << "socket://plc-3:950";
        QTest::newRow("environment before the file") << QByteArray("/dev/pts/4") << "/dev/ttyUSB0" << "/dev/pts/4";
        QTest::newRow("empty environment") << QByteArray("") << "/dev/ttyUSB1" << "/dev/ttyUSB1";
        QTest::newRow("empty entry") << QByteArray() << "" << "/dev/ttyS2";
        // clang-format on
    }

    void portNumbersNameDevices()
    {
        QFETCH(QByteArray, environment);
        QFETCH(QString, entry);
        QFETCH(QString, device);
        QTemporaryDir config;
        const QString file = config.filePath(QStringLiteral("Talvern.conf"));
        const PortDevices devices(file, QSettings::IniFormat);
        const auto restore = qScopeGuard([] { qunsetenv("TALVERN_COM3"); });
        if (environment.isNull())
            qunsetenv("TALVERN_COM3");
        else
            qputenv("TALVERN_COM3", environment);
        devices.deviceName(3); // looked up before the file exists
        {
            // Written as another program (or an editor) would, while the devices are in use.
            QSettings store(file, QSettings::IniFormat);
            store.setValue(QStringLiteral("Settings/MchFileName"), QStringLiteral("COM3.MCH"));
            if (!entry.isNull())
                store.setValue(QStringLiteral("Ports/COM3"), entry);
            store.setValue(QStringLiteral("Ports/COM4"), QStringLiteral("/dev/ttyACM0"));
        }
        QCOMPARE(devices.deviceName(3), device);
    }
};

QTEST_GUILESS_MAIN(tst_Platform)
#include "tst_Platform.moc"
