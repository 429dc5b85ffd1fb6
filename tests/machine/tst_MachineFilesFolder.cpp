// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/MachineFilesFolder.h"
#include "platform/system/InstallLayout.h"
#include "support/PermissionsEnforced.h"
#include "support/TestDir.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

const QByteArray Shipped = "SHIPPED DEFAULT\r\n";
const QByteArray Users = "THE USER'S OWN\r\n";

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// A program folder laid out as the build, a portable copy or an installation leaves it, beside a
// user's data folder.
struct Layout {
    TestDir root;
    QString bin = root.addFolder(QStringLiteral("bin"));
    QString user = root.filePath(QStringLiteral("home/share/Talvern"));

    void install(const QString &name)
    {
        root.addFolder(QStringLiteral("share/talvern"));
        const QString path = root.addFile(QStringLiteral("share/talvern/") + name, Shipped);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    // The program as started by a user who may not write to its folder when it is read-only.
    QString start(bool programFolderWritable)
    {
        if (programFolderWritable)
            return MachineFilesFolder::prepare(bin, user);
        const QFile::Permissions before = QFile::permissions(bin);
        QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner);
        const PermissionsEnforced enforced;
        const QString chosen = MachineFilesFolder::prepare(bin, user);
        QFile::setPermissions(bin, before);
        return chosen;
    }
};

} // namespace

class tst_MachineFilesFolder : public QObject {
    Q_OBJECT

private slots:
    void settingsFilesLiveWhereTheUserMayWrite_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("writable"); // the program's folder
        QTest::addColumn<bool>("inUserFolder");

        QTest::newRow("build tree") << false << true << false;
        QTest::newRow("read-only portable copy") << false << false << true;
        QTest::newRow("installed") << true << false << true;
        QTest::newRow("installed where root may write") << true << true << true;
    }

    void settingsFilesLiveWhereTheUserMayWrite()
    {
        QFETCH(bool, installed);
        QFETCH(bool, writable);
        QFETCH(bool, inUserFolder);
        Layout layout;
        layout.root.addFile(QStringLiteral("bin/OSP-E100.MCH"), installed ? QByteArray("STRAY") : Shipped);
        if (installed)
            layout.install(QStringLiteral("OSP-E100.MCH"));

        const QString chosen = layout.start(writable);

        QCOMPARE(chosen, inUserFolder ? layout.user : layout.bin);
        QCOMPARE(QDir(layout.user).exists(), inUserFolder);
        const QString settingsFile = QDir(chosen).filePath(QStringLiteral("OSP-E100.MCH"));
        QCOMPARE(contentOf(settingsFile), Shipped);
        QVERIFY(QFile::permissions(settingsFile) & QFile::WriteOwner); // the properties dialog saves it
    }

    void aUsersFileIsNeverReplaced()
    {
        Layout layout;
        layout.install(QStringLiteral("OSP-E100.MCH"));
        layout.install(QStringLiteral("FANUC-0.MCH"));
        QCOMPARE(layout.start(true), layout.user);
        QFile::remove(QDir(layout.user).filePath(QStringLiteral("FANUC-0.MCH")));
        QFile edited(QDir(layout.user).filePath(QStringLiteral("OSP-E100.MCH")));
        QVERIFY(edited.rename(QDir(layout.user).filePath(QStringLiteral("osp-e100.mch"))));
        QVERIFY(edited.open(QIODevice::WriteOnly | QIODevice::Truncate));
        edited.write(Users);
        edited.close();

        QCOMPARE(layout.start(true), layout.user);

        // The edited file stays as it is, in any case of its name; a shipped default gone missing is back.
        QCOMPARE(QDir(layout.user).entryList(QDir::Files, QDir::Name),
                 (QStringList{"FANUC-0.MCH", "osp-e100.mch"}));
        QCOMPARE(contentOf(QDir(layout.user).filePath(QStringLiteral("osp-e100.mch"))), Users);
    }

    void theMetafileHelperIsFoundBesideTheProgramOrWhereItIsInstalled()
    {
        Layout layout;
        const QString installed = QDir(layout.root.addFolder(QStringLiteral("libexec/talvern")))
                                      .filePath(QStringLiteral("talvern-metafile"));
        QCOMPARE(InstallLayout::helperProgram(layout.bin, QStringLiteral("talvern-metafile")), installed);

        const QString beside = layout.root.addFile(QStringLiteral("bin/talvern-metafile"));
        QFile::setPermissions(beside, QFile::permissions(beside) | QFile::ExeOwner);
        QCOMPARE(InstallLayout::helperProgram(layout.bin, QStringLiteral("talvern-metafile")), beside);
    }
};

QTEST_GUILESS_MAIN(tst_MachineFilesFolder)
#include "tst_MachineFilesFolder.moc"
