#include "platform/MountedDrives.h"
#include "platform/WorkingDirectory.h"
#include "support/TestDir.h"

#include <QDir>
#include <QTest>

class tst_Platform : public QObject {
    Q_OBJECT

private slots:
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

    void enteringAFolder_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("ok");
        QTest::newRow("a folder") << "SUB" << true;
        QTest::newRow("missing") << "GONE" << false;
        QTest::newRow("a file") << "FILE.MIN" << false;
        QTest::newRow("empty") << "" << false;
    }

    // Only a folder that can be entered moves the working directory; the others are not ready.
    void enteringAFolder()
    {
        QFETCH(QString, relative);
        QFETCH(bool, ok);
        TestDir dir;
        dir.addFile(QStringLiteral("FILE.MIN"));
        const QString target = dir.addFolder(QStringLiteral("SUB"));
        const QString before = QDir::currentPath();
        const WorkingDirectory::Result result =
            WorkingDirectory::enter(relative.isEmpty() ? QString() : dir.filePath(relative));
        const QString now = WorkingDirectory::current();
        QDir::setCurrent(before);
        QCOMPARE(result.ok(), ok);
        QCOMPARE(QDir(now).canonicalPath(), QDir(ok ? target : before).canonicalPath());
        if (!ok) {
            QCOMPARE(result.failure, WorkingDirectory::Failure::NotReady);
            QVERIFY(!result.description.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(tst_Platform)
#include "tst_Platform.moc"
