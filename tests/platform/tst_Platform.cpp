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
        QTest::newRow("system") << "/home/op/nc"
                                << "/";
        QTest::newRow("stick itself") << "/media/usb"
                                      << "/media/usb";
        QTest::newRow("inside the stick") << "/media/usb/progs"
                                          << "/media/usb";
        QTest::newRow("a longer name is another drive") << "/media/usb2/progs"
                                                        << "/";
        QTest::newRow("nested mount") << "/media/usb/inner/x"
                                      << "/media/usb/inner";
        QTest::newRow("root") << "/"
                              << "/";
    }

    void aPathLiesOnTheDriveWithTheLongestMatchingRoot()
    {
        QFETCH(QString, path);
        QFETCH(QString, root);
        const QStringList roots = {"/", "/media/usb", "/media/usb/inner", "/mnt/share"};
        QCOMPARE(MountedDrives::rootOf(path, roots), root);
    }

    void aPathOnNoKnownDriveHasNoRoot()
    {
        QCOMPARE(MountedDrives::rootOf(QStringLiteral("/elsewhere"), {QStringLiteral("/media/usb")}),
                 QString());
    }

    void theSystemDriveIsListedAndSystemAreasAreNot()
    {
        const QStringList roots = MountedDrives::roots();
        QVERIFY(roots.contains(MountedDrives::systemRoot()));
        QVERIFY(MountedDrives::isMounted(MountedDrives::systemRoot()));
        for (const QString &root : roots) {
            QVERIFY2(!root.startsWith(QLatin1String("/proc")) && !root.startsWith(QLatin1String("/sys")) &&
                         !root.startsWith(QLatin1String("/dev")),
                     qPrintable(root));
        }
    }

    void aPlainFolderIsNoMountedDrive()
    {
        TestDir dir;
        QVERIFY(!MountedDrives::isMounted(dir.path()));
    }

    void enteringAFolderMovesTheWorkingDirectory()
    {
        TestDir dir;
        const QString before = QDir::currentPath();
        const WorkingDirectory::Result result = WorkingDirectory::enter(dir.path());
        const QString now = WorkingDirectory::current();
        QDir::setCurrent(before);
        QVERIFY(result.ok());
        QCOMPARE(QDir(now).canonicalPath(), QDir(dir.path()).canonicalPath());
    }

    void aFolderThatCannotBeEnteredIsNotReady_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::newRow("missing") << "GONE";
        QTest::newRow("a file") << "FILE.MIN";
        QTest::newRow("empty") << "";
    }

    void aFolderThatCannotBeEnteredIsNotReady()
    {
        QFETCH(QString, relative);
        TestDir dir;
        dir.addFile(QStringLiteral("FILE.MIN"));
        const QString before = QDir::currentPath();
        const WorkingDirectory::Result result =
            WorkingDirectory::enter(relative.isEmpty() ? QString() : dir.filePath(relative));
        QCOMPARE(result.failure, WorkingDirectory::Failure::NotReady);
        QVERIFY(!result.description.isEmpty());
        QCOMPARE(QDir::currentPath(), before);
    }
};

QTEST_GUILESS_MAIN(tst_Platform)
#include "tst_Platform.moc"
