// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListView.h"
#include "browser/FileRenamer.h"
#include "browser/ListedFolder.h"
#include "core/AppState.h"
#include "core/FolderListing.h"
#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"
#include "support/TestDir.h"

#include <QDir>
#include <QHeaderView>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <ctime>

class tst_FileListView : public QObject {
    Q_OBJECT

    static QString text(const FileListView &list, int row, int column)
    {
        return ListedFolder::text(list, row, column);
    }

private slots:
    // The workshop's clock: times must be shown in local time, which here is not UTC.
    void initTestCase()
    {
        qputenv("TZ", "JST-9");
        ::tzset();
    }

    // Rows in upper-case order with size, time, type and protection, in place of the rows before; hidden
    // files and subfolders are none. The first is current, none selected.
    void showsEachFileWithItsDetails()
    {
        TestDir dir;
        const QDateTime when(QDate(2024, 3, 9), QTime(14, 5, 0));
        dir.addFile(QStringLiteral("PLAN.XLS"), QByteArray("x"));
        dir.addFile(QStringLiteral("abc.min"), 1234, when);
        dir.addFile(QStringLiteral("LOCK.SUB"), QByteArray("G0"));
        dir.protect(QStringLiteral("LOCK.SUB"));
        dir.addFile(QStringLiteral("EMPTY.TXT"));
        dir.addFile(QStringLiteral(".hidden.min"));
        dir.addFile(QStringLiteral(".both.min"));
        dir.protect(QStringLiteral(".both.min"));
        dir.addFolder(QStringLiteral("SUBFOLDER.MIN/C"));
        ListedFolder old({"OLD"});
        FileListView &list = old.list;
        old.state.CurrentFolder = dir.path();
        QVERIFY(ListedFolder::refresh(list));

        QStringList rows; // name | size | type | protection
        for (int i = 0; i < list.rowCount(); ++i) {
            rows << QStringList{text(list, i, 0), text(list, i, 1), text(list, i, 3), text(list, i, 4)}.join(
                u'|');
        }
        QCOMPARE(rows, (QStringList{"ABC.MIN|1234|ﾒｲﾝ ﾌﾟﾛｸﾞﾗﾑ|", "EMPTY.TXT|0|ﾃｷｽﾄ ﾌｧｲﾙ|",
                                    "LOCK.SUB|2|ｻﾌﾞ ﾌﾟﾛｸﾞﾗﾑ|保護", "PLAN.XLS|1|ｴｸｾﾙ ﾌｧｲﾙ|"}));
        const QModelIndex abc = list.row(0);
        QCOMPARE(FileListView::diskName(abc), QStringLiteral("abc.min"));
        QCOMPARE(abc.siblingAtColumn(FileListView::SizeColumn).data(Qt::TextAlignmentRole).toInt() &
                     Qt::AlignHorizontal_Mask,
                 int(Qt::AlignRight));
        QCOMPARE(text(list, 0, FileListView::ModifiedColumn), QLocale().toString(when, QLocale::ShortFormat));
        const auto image = [&list](int row) {
            return list.row(row).data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
        };
        const auto icon = [](const char *name) {
            return QIcon(QString::fromLatin1(name)).pixmap(16, 16).toImage();
        };
        QCOMPARE(image(0), icon(":/icons/list-file.svg"));
        QCOMPARE(image(3), icon(":/icons/list-workbook.svg"));
        QCOMPARE(list.currentIndex(), list.row(0));
        QVERIFY(!list.selectionModel()->hasSelection());
    }

    // Every header fits its column, and so do the longest size and a date with its time, in the locale's
    // format and in the font the list shows, also when that font changes.
    void columnsFitWhatTheyShow_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("points"); // 0: the desktop's
        QTest::newRow("C") << QLocale::c() << 0;
        QTest::newRow("Japanese") << QLocale(QLocale::Japanese, QLocale::Japan) << 0;
        QTest::newRow("English, large") << QLocale(QLocale::English, QLocale::UnitedStates) << 20;
        QTest::newRow("Japanese, small") << QLocale(QLocale::Japanese, QLocale::Japan) << 7;
    }
    void columnsFitWhatTheyShow()
    {
        QFETCH(QLocale, locale);
        QFETCH(int, points);
        const QLocale before;
        QLocale::setDefault(locale);
        const auto restore = qScopeGuard([&before] { QLocale::setDefault(before); });
        TestDir dir;
        dir.addFile(QStringLiteral("BIG.MIN"), 999'999'999, QDateTime(QDate(2024, 11, 30), QTime(23, 59)));
        AppState state;
        FileListView list(state);
        if (points > 0) {
            QFont font = list.font();
            font.setPointSize(points);
            list.setFont(font);
        }
        list.fill(FolderListing::read(dir.path()));
        for (int column = 0; column < list.model()->columnCount(); ++column) {
            const int content = column == FileListView::SizeColumn || column == FileListView::ModifiedColumn
                                    ? static_cast<const QAbstractItemView &>(list).sizeHintForColumn(column)
                                    : 0;
            QVERIFY2(list.columnWidth(column) >= std::max(list.header()->sectionSizeHint(column), content),
                     qPrintable(list.model()->headerData(column, Qt::Horizontal).toString() + u' ' +
                                text(list, 0, column)));
        }
    }

    // Names that are one in upper case show as they are, so that their rows can be told apart; every
    // other name stays in upper case. A look that compares some files only keeps the rule whole.
    void caseTwinsShowTheirOwnCase_data()
    {
        QTest::addColumn<QString>("change"); // as ListedFolder::make takes them
        QTest::addColumn<int>("from");       // the first of the two files a partial look reads
        QTest::addColumn<QStringList>("rows");
        const QStringList before = {"A.MIN", "B.MIN", "O4000.MIN", "o4000.min", "Z.MIN"};
        QTest::newRow("as listed") << "" << 0 << before;
        QTest::newRow("a third twin")
            << "+o4000.MIN" << 0
            << QStringList{"A.MIN", "B.MIN", "O4000.MIN", "o4000.MIN", "o4000.min", "Z.MIN"};
        QTest::newRow("a twin gone") << "-O4000.MIN" << 0
                                     << QStringList{"A.MIN", "B.MIN", "O4000.MIN", "Z.MIN"};
        QTest::newRow("a new pair") << "+b.min" << 0 << QStringList{"A.MIN",     "B.MIN",     "b.min",
                                                                    "O4000.MIN", "o4000.min", "Z.MIN"};
        QTest::newRow("a folder is no twin") << "/a.min" << 0 << before;
        QTest::newRow("one twin looked at") << "~o4000.min" << 3 << before;
        QTest::newRow("one twin looked at, unchanged") << "" << 3 << before;
    }
    void caseTwinsShowTheirOwnCase()
    {
        QFETCH(QString, change);
        QFETCH(int, from);
        TestDir dir;
        for (const char *name : {"A.MIN", "B.MIN", "o4000.min", "O4000.MIN", "Z.MIN"})
            dir.addFile(QString::fromLatin1(name));
        const auto shown = FolderListing::Shown::of(FolderListing::read(dir.path()));
        QVERIFY(ListedFolder::make(dir, change));
        const QList<ListedFile> read = FolderListing::read(dir.path());
        QStringList rows;
        for (const ListedFile &file : read) {
            rows << file.text;
            QCOMPARE(file.text.toUpper(), NativeName::shown(file.diskName).toUpper());
        }
        QTEST(rows, "rows");
        const auto looked = FolderListing::changedFrom(dir.path(), shown, from, 2);
        QCOMPARE(looked.value_or(shown.files), read);
        QCOMPARE(looked.has_value(), change.contains(u'~') || shown.files != read);
    }

    // Twins keep their current row, selection and marks apart when the list follows the disk, and the row
    // of the one deleted hands over to its neighbour.
    void caseTwinsFollowTheDiskApart()
    {
        ListedFolder folder({"o1.min", "O1.MIN", "O2.MIN"});
        FileListView &list = folder.list;
        list.toggleCheckBoxes();
        QCOMPARE(ListedFolder::shown(list), (QStringList{"O1.MIN:0*", "o1.min:0", "O2.MIN:0"}));
        ListedFolder::check(list, 1);
        list.selectionModel()->setCurrentIndex(list.row(1), QItemSelectionModel::NoUpdate);
        QSignalSpy vanished(&list, &FileListView::currentRowVanished);
        QSignalSpy listed(&list, &FileListView::listed);
        QVERIFY(ListedFolder::make(folder.dir, QStringLiteral("~O1.MIN")));
        list.followDisk();
        QVERIFY(listed.wait());
        QCOMPARE(ListedFolder::shown(list), (QStringList{"O1.MIN:3", "[o1.min:0]*", "O2.MIN:0"}));
        QCOMPARE(list.currentRow()->diskName, QStringLiteral("o1.min"));
        QVERIFY(ListedFolder::make(folder.dir, QStringLiteral("-o1.min")));
        list.followDisk();
        QVERIFY(listed.wait());
        QCOMPARE(ListedFolder::shown(list), (QStringList{"O1.MIN:3", "O2.MIN:0*"}));
        QCOMPARE(vanished.size(), 1);
        QCOMPARE(vanished.at(0).at(0).toString(), QStringLiteral("o1.min"));
    }

    void aFileThatVanishesIsLeftOutAndTheRestStays()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("A.MIN"));
        dir.addFile(QStringLiteral("C.MIN"));
        const QList<ListedFile> files = FolderListing::details(
            dir.path(), {QStringLiteral("A.MIN"), QStringLiteral("B.MIN"), QStringLiteral("C.MIN")});
        QCOMPARE(files.size(), 2);
        QCOMPARE(files.at(1).text, QStringLiteral("C.MIN"));
    }

    // Check marks and selection go together in check-box mode; select all selects every row, and in
    // check-box mode checks them too, leaving the current row.
    void checkBoxesFollowTheModeAndDriveSelection()
    {
        const auto allMarked = [](FileListView &list, bool checked) {
            list.markAll();
            for (const FileRow &row : list.rows())
                QVERIFY(row.selected && row.checked == checked);
            QCOMPARE(list.currentRow()->text, QStringLiteral("A.MIN"));
        };
        TestDir dir;
        for (const char *name : {"A.MIN", "B.MIN", "C.MIN"})
            dir.addFile(QString::fromLatin1(name));
        const QList<ListedFile> files = FolderListing::read(dir.path());
        AppState state;
        FileListView list(state);
        list.resize(400, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.setCheckBoxes(true);
        list.fill(files);
        QVERIFY(list.row(0).flags() & Qt::ItemIsUserCheckable);
        ListedFolder::check(list, 1);
        ListedFolder::check(list, 2);
        ListedFolder::check(list, 1, false);
        QVERIFY(!ListedFolder::isSelected(list, 1));
        QVERIFY(ListedFolder::isSelected(list, 2));

        // A click on a row's name selects it for a moment; the release puts the check marks back.
        const QPoint name(list.columnWidth(0) / 2, list.visualRect(list.row(0)).center().y());
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, name);
        QVERIFY(!ListedFolder::isSelected(list, 0));
        QVERIFY(ListedFolder::isSelected(list, 2));
        allMarked(list, true);

        list.setCheckBoxes(false);
        list.fill(files);
        QVERIFY(!(list.row(0).flags() & Qt::ItemIsUserCheckable));
        QVERIFY(!list.selectionModel()->hasSelection());
        list.selectionModel()->select(list.row(1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        allMarked(list, false);
        list.unmark(files.at(1).diskName); // sent: the row's mark goes, the others stay
        QVERIFY(!ListedFolder::isSelected(list, 1) && ListedFolder::isSelected(list, 2));
    }

    // A share that stops answering while its folder is read again: the list says it is reading and keeps
    // its rows, the window goes on, another folder lists at once, and what the stuck listing finds once
    // the share answers again goes nowhere.
    void aStoppedShareNeverHoldsTheWindow()
    {
        ListedFolder folder({"A.MIN", "B.MIN"}, true);
        if (!folder.share->failure().isEmpty())
            QSKIP(qPrintable(folder.share->failure()));
        FileListView &list = folder.list;
        TestDir local;
        local.addFile(QStringLiteral("LOCAL.MIN"));
        const auto threads = [] {
            return QDir(QStringLiteral("/proc/self/task"))
                .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                .size();
        };
        const qsizetype threadsBefore = threads();
        QSignalSpy listed(&list, &FileListView::listed);
        const LoopGaps gaps;
        {
            const StoppedShare stopped(*folder.share);
            QVERIFY(ListedFolder::make(folder.dir, QStringLiteral("+C.MIN")));
            list.RefreshFileList();
            QTRY_VERIFY(BindMount::holdsUpAThread());
            QVERIFY(!listed.wait(FileListView::ReadingShownMs * 2));
            QVERIFY(list.reading());
            QCOMPARE(ListedFolder::shown(list), (QStringList{"A.MIN:0*", "B.MIN:0"}));
            folder.state.CurrentFolder = local.path();
            list.RefreshFileList();
            QVERIFY(listed.wait());
            QCOMPARE(ListedFolder::shown(list), QStringList{"LOCAL.MIN:0*"});
            QVERIFY(!list.reading());
            QVERIFY(!stopped.wentOnByItself());
        }
        // A thread ends after it has handed over what it found.
        QTRY_VERIFY_WITH_TIMEOUT(threads() <= threadsBefore, 10000);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(ListedFolder::shown(list), QStringList{"LOCAL.MIN:0*"});
        QCOMPARE(listed.size(), 1);
        QVERIFY2(gaps.longestMs() < 1000, qPrintable(QString::number(gaps.longestMs())));
    }

    // A name from a Windows machine in bytes of no encoding: a rename of the row reaches the file.
    void aNameThatIsNotUtf8CanBeRenamed()
    {
        TestDir dir;
        dir.addRawFile("BAD\xe9NAME\xff.MIN", "O22");
        const QString stray = NativeName::fromBytes("BAD\xe9NAME\xff.MIN");
        QVERIFY(FileRenamer::rename(dir.path(), stray, QStringLiteral("BAD\uFFFDNAME\uFFFD.MIN"), "NEW.MIN"));
        QVERIFY(!NativeFile::status(NativeFile::join(dir.path(), stray)));
        QCOMPARE(NativeFile::status(dir.filePath(QStringLiteral("NEW.MIN")))->size, 3);
    }

    void renameFollowsTheFileSystemRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("renamed");
        QTest::addColumn<QString>("from"); // old.min is on disk
        const QString old = QStringLiteral("old.min");
        QTest::newRow("new name") << "NEW.MIN" << true << old;
        QTest::newRow("lower case kept as typed") << "new.sub" << true << old;
        QTest::newRow("existing name in other case") << "other.min" << false << old;
        QTest::newRow("unchanged") << "OLD.MIN" << false << old;
        QTest::newRow("empty") << "" << false << old;
        QTest::newRow("slash") << "SUB/NEW.MIN" << false << old;
        QTest::newRow("backslash") << "SUB\\NEW.MIN" << false << old;
        QTest::newRow("wildcard") << "NEW*.MIN" << false << old;
        QTest::newRow("hidden") << ".NEW.MIN" << false << old;
        QTest::newRow("trailing dot") << "NEW.MIN." << false << old;
        QTest::newRow("control character") << "NEW\tMIN" << false << old;
        QTest::newRow("too long") << QString(256, QLatin1Char('A')) << false << old;
        QTest::newRow("file gone") << "NEW.MIN" << false << "gone.min";
    }

    void renameFollowsTheFileSystemRules()
    {
        QFETCH(QString, typed);
        QFETCH(bool, renamed);
        QFETCH(QString, from);
        TestDir dir;
        dir.addFolder(QStringLiteral("SUB"));
        dir.addFile(QStringLiteral("old.min"), QByteArray("O1\n"));
        dir.addFile(QStringLiteral("OTHER.MIN"), QByteArray("O2\n"));

        QCOMPARE(FileRenamer::rename(dir.path(), from, from.toUpper(), typed), renamed);
        const QStringList expected = {renamed ? typed : QStringLiteral("old.min"),
                                      QStringLiteral("OTHER.MIN")};
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase), expected);
    }
};

QTEST_MAIN(tst_FileListView)
#include "tst_FileListView.moc"
