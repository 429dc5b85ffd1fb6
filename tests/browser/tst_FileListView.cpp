#include "browser/FileListView.h"
#include "browser/FileRenamer.h"
#include "browser/FileTypeCatalogue.h"
#include "browser/FolderListing.h"
#include "support/TestDir.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

class tst_FileListView : public QObject {
    Q_OBJECT

private:
    static QStringList texts(const FileListView &list)
    {
        QStringList result;
        for (int i = 0; i < list.rowCount(); ++i)
            result << list.row(i)->text(FileListView::NameColumn);
        return result;
    }

    static QTreeWidgetItem *rowNamed(const FileListView &list, const QString &text)
    {
        for (int i = 0; i < list.rowCount(); ++i) {
            if (list.row(i)->text(FileListView::NameColumn) == text)
                return list.row(i);
        }
        return nullptr;
    }

private slots:
    void showsEachFileWithItsDetails()
    {
        TestDir dir;
        const QDateTime when(QDate(2024, 3, 9), QTime(14, 5, 0));
        dir.addFile(QStringLiteral("abc.min"), 1234, when);
        dir.addFile(QStringLiteral("EMPTY.TXT"));
        dir.addFile(QStringLiteral("PLAN.XLS"), QByteArray("x"));
        dir.addFile(QStringLiteral("LOCK.SUB"), QByteArray("G0"));
        dir.protect(QStringLiteral("LOCK.SUB"));

        FileListView list;
        list.fill(FolderListing::read(dir.path()));

        QCOMPARE(texts(list), (QStringList{"ABC.MIN", "EMPTY.TXT", "LOCK.SUB", "PLAN.XLS"}));
        const QTreeWidgetItem *abc = rowNamed(list, QStringLiteral("ABC.MIN"));
        QCOMPARE(FileListView::diskName(abc), QStringLiteral("abc.min"));
        QCOMPARE(abc->text(FileListView::SizeColumn), QStringLiteral("1234"));
        QCOMPARE(abc->text(FileListView::ModifiedColumn), QLocale().toString(when, QLocale::ShortFormat));
        QCOMPARE(abc->text(FileListView::TypeColumn), QStringLiteral("ﾒｲﾝ ﾌﾟﾛｸﾞﾗﾑ"));
        QCOMPARE(abc->text(FileListView::ProtectedColumn), QString());
        QCOMPARE(rowNamed(list, QStringLiteral("EMPTY.TXT"))->text(FileListView::SizeColumn),
                 QStringLiteral("0"));
        QCOMPARE(rowNamed(list, QStringLiteral("LOCK.SUB"))->text(FileListView::ProtectedColumn),
                 QStringLiteral("保護"));
        QCOMPARE(rowNamed(list, QStringLiteral("PLAN.XLS"))->text(FileListView::TypeColumn),
                 QStringLiteral("ｴｸｾﾙ ﾌｧｲﾙ"));
        QVERIFY(!rowNamed(list, QStringLiteral("ABC.MIN"))->icon(0).isNull());
        QCOMPARE(rowNamed(list, QStringLiteral("ABC.MIN"))->textAlignment(FileListView::SizeColumn) &
                     Qt::AlignHorizontal_Mask,
                 int(Qt::AlignRight));
    }

    void leavesOutHiddenFilesAndFolders()
    {
        TestDir dir;
        dir.addFile(QStringLiteral(".hidden.min"));
        dir.addFile(QStringLiteral(".both.min"));
        dir.protect(QStringLiteral(".both.min"));
        dir.addFolder(QStringLiteral("SUBFOLDER.MIN"));
        dir.addFile(QStringLiteral("SHOWN.MIN"));

        const QList<ListedFile> files = FolderListing::read(dir.path());
        QCOMPARE(files.size(), 1);
        QCOMPARE(files.first().text, QStringLiteral("SHOWN.MIN"));
    }

    void emptyFoldersGiveEmptyLists_data()
    {
        QTest::addColumn<bool>("withSubfolders");
        QTest::newRow("empty") << false;
        QTest::newRow("only subfolders") << true;
    }

    void emptyFoldersGiveEmptyLists()
    {
        QFETCH(bool, withSubfolders);
        TestDir dir;
        if (withSubfolders) {
            dir.addFolder(QStringLiteral("A"));
            dir.addFolder(QStringLiteral("B/C"));
        }
        FileListView list;
        list.fill({ListedFile{QStringLiteral("old"), QStringLiteral("OLD"), 1, {}, false}});
        list.fill(FolderListing::read(dir.path()));
        QCOMPARE(list.rowCount(), 0);
        QCOMPARE(list.currentItem(), nullptr);
    }

    void aFileThatVanishesIsLeftOutAndTheRestStays()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("A.MIN"));
        dir.addFile(QStringLiteral("C.MIN"));
        const QList<ListedFile> files = FolderListing::details(
            dir.path(), {QStringLiteral("A.MIN"), QStringLiteral("B.MIN"), QStringLiteral("C.MIN")});
        QCOMPARE(files.size(), 2);
        QCOMPARE(files.at(0).text, QStringLiteral("A.MIN"));
        QCOMPARE(files.at(1).text, QStringLiteral("C.MIN"));
    }

    void firstRowIsCurrentButNotSelected()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("B.MIN"));
        dir.addFile(QStringLiteral("A.MIN"));
        FileListView list;
        list.fill(FolderListing::read(dir.path()));
        QCOMPARE(list.currentItem(), list.row(0));
        QVERIFY(list.selectedItems().isEmpty());
    }

    void refreshListsTheWorkingDirectory()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("o1000.nc"));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        FileListView list;
        list.RefreshFileList();
        QDir::setCurrent(before);
        QCOMPARE(texts(list), QStringList{QStringLiteral("O1000.NC")});
        QCOMPARE(list.row(0)->text(FileListView::TypeColumn), QStringLiteral("NCﾌﾟﾛｸﾞﾗﾑ"));
    }

    void checkBoxesFollowTheModeAndDriveSelection()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("A.MIN"));
        dir.addFile(QStringLiteral("B.MIN"));
        dir.addFile(QStringLiteral("C.MIN"));
        FileListView list;
        list.resize(400, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QList<ListedFile> files = FolderListing::read(dir.path());
        list.fill(files);
        QVERIFY(!(list.row(0)->flags() & Qt::ItemIsUserCheckable));

        list.setCheckBoxes(true);
        list.fill(files);
        QVERIFY(list.row(0)->flags() & Qt::ItemIsUserCheckable);
        list.row(1)->setCheckState(0, Qt::Checked);
        QVERIFY(list.row(1)->isSelected());
        list.row(2)->setCheckState(0, Qt::Checked);
        list.row(1)->setCheckState(0, Qt::Unchecked);
        QVERIFY(!list.row(1)->isSelected());
        QVERIFY(list.row(2)->isSelected());

        // A click on a row's name selects it for a moment; the release puts the check marks back.
        const QRect rect = list.visualItemRect(list.row(0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(rect.right() - 5, rect.center().y()));
        QVERIFY(!list.row(0)->isSelected());
        QVERIFY(list.row(2)->isSelected());

        list.setCheckBoxes(false);
        list.fill(files);
        QVERIFY(!(list.row(0)->flags() & Qt::ItemIsUserCheckable));
        QVERIFY(list.selectedItems().isEmpty());
    }

    void inPlaceEditReportsTheRename()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("abc.min"));
        FileListView list;
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.fill(FolderListing::read(dir.path()));
        QSignalSpy renamed(&list, &FileListView::renameRequested);

        list.editItem(list.row(0), 0);
        auto *editor = list.viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("ABC.MIN"));
        editor->setText(QStringLiteral("Xyz.min"));
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(renamed.wait(2000));
        QCOMPARE(renamed.first().at(0).toString(), QStringLiteral("ABC.MIN"));
        QCOMPARE(renamed.first().at(1).toString(), QStringLiteral("abc.min"));
        QCOMPARE(renamed.first().at(2).toString(), QStringLiteral("Xyz.min"));
        // The list itself never edits a row: the refresh that follows shows what is on disk.
        QCOMPARE(list.row(0)->text(0), QStringLiteral("ABC.MIN"));
    }

    void renameFollowsTheFileSystemRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("renamed");
        QTest::newRow("new name") << "NEW.MIN" << true;
        QTest::newRow("lower case kept as typed") << "new.sub" << true;
        QTest::newRow("existing name") << "OTHER.MIN" << false;
        QTest::newRow("existing name in other case") << "other.min" << false;
        QTest::newRow("unchanged") << "OLD.MIN" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("slash") << "SUB/NEW.MIN" << false;
        QTest::newRow("parent") << "../NEW.MIN" << false;
        QTest::newRow("backslash") << "SUB\\NEW.MIN" << false;
        QTest::newRow("wildcard") << "NEW*.MIN" << false;
        QTest::newRow("hidden") << ".NEW.MIN" << false;
        QTest::newRow("control character") << "NEW\tMIN" << false;
        QTest::newRow("too long") << QString(256, QLatin1Char('A')) << false;
    }

    void renameFollowsTheFileSystemRules()
    {
        QFETCH(QString, typed);
        QFETCH(bool, renamed);
        TestDir dir;
        dir.addFolder(QStringLiteral("SUB"));
        dir.addFile(QStringLiteral("old.min"), QByteArray("O1\n"));
        dir.addFile(QStringLiteral("OTHER.MIN"), QByteArray("O2\n"));

        QCOMPARE(FileRenamer::rename(dir.path(), QStringLiteral("old.min"), QStringLiteral("OLD.MIN"), typed),
                 renamed);

        QCOMPARE(QFileInfo::exists(dir.filePath(QStringLiteral("old.min"))), !renamed);
        if (renamed)
            QVERIFY(QFileInfo::exists(dir.filePath(typed)));
        QFile other(dir.filePath(QStringLiteral("OTHER.MIN")));
        QVERIFY(other.open(QIODevice::ReadOnly));
        QCOMPARE(other.readAll(), QByteArray("O2\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("SUB/NEW.MIN"))));
    }

    void renameOfAVanishedFileChangesNothing()
    {
        TestDir dir;
        QVERIFY(!FileRenamer::rename(dir.path(), QStringLiteral("gone.min"), QStringLiteral("GONE.MIN"),
                                     QStringLiteral("NEW.MIN")));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    }
};

QTEST_MAIN(tst_FileListView)
#include "tst_FileListView.moc"
