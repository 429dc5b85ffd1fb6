// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListView.h"
#include "browser/FileRenamer.h"
#include "browser/FolderWatch.h"
#include "core/FolderListing.h"
#include "platform/NativeFile.h"
#include "platform/NativeName.h"
#include "support/BindMount.h"
#include "support/TestDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <ctime>
#include <memory>

class tst_FileListView : public QObject {
    Q_OBJECT

    // Each row as "NAME:size", with [ ] around the selected ones and * after the current one.
    static QStringList shown(const FileListView &list)
    {
        QStringList rows;
        for (int i = 0; i < list.rowCount(); ++i) {
            const QTreeWidgetItem *row = list.row(i);
            QString text = row->text(FileListView::NameColumn) + u':' + row->text(FileListView::SizeColumn);
            if (row->isSelected() || row->checkState(FileListView::NameColumn) == Qt::Checked)
                text = u'[' + text + u']';
            rows << (row == list.currentItem() ? text + u'*' : text);
        }
        return rows;
    }

    // The list of a folder as the program keeps it: listed from the working directory, which is the
    // folder itself or a file server's share of it (dir is then the server's side).
    struct ListedFolder {
        TestDir dir;
        std::unique_ptr<BindMount> share;
        QString before = QDir::currentPath();
        FileListView list;
        explicit ListedFolder(const QStringList &names, bool onShare = false)
        {
            for (const QString &name : names)
                dir.addFile(name);
            if (onShare)
                share = std::make_unique<BindMount>(dir.path());
            QDir::setCurrent(onShare ? share->path() : dir.path());
            list.RefreshFileList();
        }
        ~ListedFolder() { QDir::setCurrent(before); }
        FolderWatch &watch() { return *list.findChild<FolderWatch *>(); }
    };

    // Makes the changes of a test row: +NAME adds a file, -NAME deletes it, ~NAME writes 3 bytes over
    // it, !NAME protects it, /NAME adds a subfolder.
    static bool make(TestDir &dir, const QString &changes)
    {
        for (const QString &step : changes.split(u' ', Qt::SkipEmptyParts)) {
            const QString name = step.mid(1);
            if (step.startsWith(u'-') && !QFile::remove(dir.filePath(name)))
                return false;
            if (step.startsWith(u'/'))
                dir.addFolder(name);
            else if (step.startsWith(u'!'))
                dir.protect(name);
            else if (!step.startsWith(u'-'))
                dir.addFile(name, step.startsWith(u'~') ? QByteArray("O1\n") : QByteArray());
        }
        return true;
    }

    static int threadCount()
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Threads:"))
                return line.mid(8).trimmed().toInt();
        }
        return -1;
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
        FileListView list;
        list.fill({ListedFile{QStringLiteral("old"), QStringLiteral("OLD"), 1, {}, false}});
        list.fill(FolderListing::read(dir.path()));

        QStringList rows; // name | size | type | protection
        for (int i = 0; i < list.rowCount(); ++i) {
            const QTreeWidgetItem *row = list.row(i);
            rows << QStringList{row->text(0), row->text(1), row->text(3), row->text(4)}.join(u'|');
        }
        QCOMPARE(rows, (QStringList{"ABC.MIN|1234|ﾒｲﾝ ﾌﾟﾛｸﾞﾗﾑ|", "EMPTY.TXT|0|ﾃｷｽﾄ ﾌｧｲﾙ|",
                                    "LOCK.SUB|2|ｻﾌﾞ ﾌﾟﾛｸﾞﾗﾑ|保護", "PLAN.XLS|1|ｴｸｾﾙ ﾌｧｲﾙ|"}));
        const QTreeWidgetItem *abc = list.row(0);
        QCOMPARE(FileListView::diskName(abc), QStringLiteral("abc.min"));
        QCOMPARE(abc->textAlignment(FileListView::SizeColumn) & Qt::AlignHorizontal_Mask,
                 int(Qt::AlignRight));
        QCOMPARE(abc->text(FileListView::ModifiedColumn), QLocale().toString(when, QLocale::ShortFormat));
        const auto image = [](const QIcon &icon) { return icon.pixmap(16, 16).toImage(); };
        QCOMPARE(image(abc->icon(0)), image(QIcon(QStringLiteral(":/icons/list-file.svg"))));
        QCOMPARE(image(list.row(3)->icon(0)), image(QIcon(QStringLiteral(":/icons/list-workbook.svg"))));
        QCOMPARE(list.currentItem(), list.row(0));
        QVERIFY(list.selectedItems().isEmpty());
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
        FileListView list;
        if (points > 0) {
            QFont font = list.font();
            font.setPointSize(points);
            list.setFont(font);
        }
        list.fill(FolderListing::read(dir.path()));
        for (int column = 0; column < list.columnCount(); ++column) {
            const int content = column == FileListView::SizeColumn || column == FileListView::ModifiedColumn
                                    ? static_cast<const QAbstractItemView &>(list).sizeHintForColumn(column)
                                    : 0;
            QVERIFY2(list.columnWidth(column) >= std::max(list.header()->sectionSizeHint(column), content),
                     qPrintable(list.headerItem()->text(column) + u' ' + list.row(0)->text(column)));
        }
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

    // A look at a folder on a share finds what differs from the list; above so many files it compares
    // every name but the details of some files only.
    void aLookFindsWhatChanged_data()
    {
        QTest::addColumn<QString>("change"); // as make() takes them
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("details"); // of six files
        QTest::addColumn<bool>("found");
        QTest::newRow("nothing") << "" << 0 << 2 << false;
        QTest::newRow("added") << "+G.MIN" << 0 << 2 << true;
        QTest::newRow("removed") << "-F.MIN" << 0 << 2 << true;
        QTest::newRow("hidden file or subfolder") << "+.G.MIN /G.MIN" << 0 << 2 << false;
        QTest::newRow("written over, looked at") << "~E.MIN" << 4 << 2 << true;
        QTest::newRow("written over, left for a later look") << "~E.MIN" << 2 << 2 << false;
        QTest::newRow("written over, all looked at") << "~E.MIN" << 0 << 6 << true;
        QTest::newRow("protected") << "!A.MIN" << 0 << 6 << true;
    }
    void aLookFindsWhatChanged()
    {
        QFETCH(QString, change);
        QFETCH(int, from);
        QFETCH(int, details);
        QFETCH(bool, found);
        TestDir dir; // listed without regard to case, compared by bytes: b.min comes second and last
        for (const char *name : {"A.MIN", "b.min", "C.MIN", "D.MIN", "E.MIN", "F.MIN"})
            dir.addFile(QString::fromLatin1(name));
        const auto shown = FolderListing::Shown::of(FolderListing::read(dir.path()));
        QVERIFY(make(dir, change));
        const auto files = FolderListing::changedFrom(dir.path(), shown, from, details);
        QCOMPARE(files.has_value(), found);
        if (found)
            QCOMPARE(*files, FolderListing::read(dir.path()));
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
        FileListView list;
        list.resize(400, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.setCheckBoxes(true);
        list.fill(files);
        QVERIFY(list.row(0)->flags() & Qt::ItemIsUserCheckable);
        list.row(1)->setCheckState(0, Qt::Checked);
        list.row(2)->setCheckState(0, Qt::Checked);
        list.row(1)->setCheckState(0, Qt::Unchecked);
        QVERIFY(!list.row(1)->isSelected());
        QVERIFY(list.row(2)->isSelected());

        // A click on a row's name selects it for a moment; the release puts the check marks back.
        const QPoint name(list.columnWidth(0) / 2, list.visualItemRect(list.row(0)).center().y());
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, name);
        QVERIFY(!list.row(0)->isSelected());
        QVERIFY(list.row(2)->isSelected());
        allMarked(list, true);

        list.setCheckBoxes(false);
        list.fill(files);
        QVERIFY(!(list.row(0)->flags() & Qt::ItemIsUserCheckable));
        QVERIFY(list.selectedItems().isEmpty());
        list.row(1)->setSelected(true);
        allMarked(list, false);
    }

    // Files added, removed or written over by another program: the list follows, keeping its current row,
    // selection and check marks by name; a current row gone hands over to its neighbour.
    void followsTheDisk_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("change"); // as make() takes them
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<bool>("vanished");
        QTest::addColumn<bool>("share"); // the list shows a file server's share; the changes are the server's
        const auto row = [](const char *name, const char *current, const char *change, const char *after,
                            bool vanished, bool share) {
            QTest::newRow(name) << QString::fromLatin1(current) << QString::fromLatin1(change)
                                << QString::fromLatin1(after).split(u' ', Qt::SkipEmptyParts) << vanished
                                << share;
        };
        row("added", "C.MIN", "+AA.MIN", "A.MIN:0 AA.MIN:0 [B.MIN:0] [C.MIN:0]* D.MIN:0", false, false);
        row("written over", "A.MIN", "~A.MIN", "A.MIN:3* [B.MIN:0] [C.MIN:0] D.MIN:0", false, false);
        row("marked one deleted", "A.MIN", "-B.MIN", "A.MIN:0* [C.MIN:0] D.MIN:0", false, false);
        row("current deleted: the next", "C.MIN", "-C.MIN", "A.MIN:0 [B.MIN:0] D.MIN:0*", true, false);
        row("last deleted: the one before", "D.MIN", "-D.MIN -C.MIN", "A.MIN:0 [B.MIN:0]*", true, false);
        row("all deleted", "B.MIN", "-A.MIN -B.MIN -C.MIN -D.MIN", "", true, false);
        row("written over on a share", "A.MIN", "~A.MIN", "A.MIN:3* [B.MIN:0] [C.MIN:0] D.MIN:0", false,
            true);
        row("current deleted on a share", "C.MIN", "-C.MIN", "A.MIN:0 [B.MIN:0] D.MIN:0*", true, true);
    }

    void followsTheDisk()
    {
        QFETCH(QString, current);
        QFETCH(QString, change);
        QFETCH(QStringList, after);
        QFETCH(bool, vanished);
        QFETCH(bool, share);
        ListedFolder folder({"A.MIN", "B.MIN", "C.MIN", "D.MIN"}, share);
        if (share && !folder.share->failure().isEmpty())
            QSKIP(qPrintable(folder.share->failure()));
        FileListView &list = folder.list;
        list.toggleCheckBoxes();
        list.row(1)->setCheckState(FileListView::NameColumn, Qt::Checked);
        list.row(2)->setCheckState(FileListView::NameColumn, Qt::Checked);
        list.setCurrentItem(list.findItems(current, Qt::MatchExactly).value(0), 0,
                            QItemSelectionModel::NoUpdate);
        QSignalSpy vanishedSpy(&list, &FileListView::currentRowVanished);

        QVERIFY(make(folder.dir, change));
        QTRY_COMPARE_WITH_TIMEOUT(shown(list), after, 3000);
        QCOMPARE(folder.watch().polls(), share);
        QCOMPARE(folder.watch().watchesFiles(), !share && !after.isEmpty()); // a share's cost its server
        QCOMPARE(vanishedSpy.size(), vanished ? 1 : 0);
        if (vanished)
            QCOMPARE(vanishedSpy.first().first().toString(), current);
        for (int i = 0; i < list.rowCount(); ++i) // a check mark and its selection go together
            QCOMPARE(list.row(i)->isSelected(),
                     list.row(i)->checkState(FileListView::NameColumn) == Qt::Checked);
    }

    // A big folder watches only itself: the list still follows files added and removed.
    void aBigFolderStillFollowsAddAndRemove()
    {
        QStringList names;
        for (int i = 0; i <= FolderWatch::FileLimit; ++i)
            names << QStringLiteral("O%1.MIN").arg(1000 + i);
        ListedFolder folder(names);
        QVERIFY(!folder.watch().watchesFiles());
        folder.dir.addFile(QStringLiteral("NEW.MIN"));
        QTRY_COMPARE(folder.list.rowCount(), names.size() + 1);
        QVERIFY(QFile::remove(folder.dir.filePath(names.first())));
        QVERIFY(QFile::remove(folder.dir.filePath(QStringLiteral("NEW.MIN"))));
        QTRY_COMPARE(folder.list.rowCount(), names.size() - 1);
        QCOMPARE(folder.list.row(0)->text(0), names.at(1));
    }

    // A server that stops answering holds up one look at its share, never the window, and no second look
    // piles up behind it; the list moves on to another folder, and what the look reads at last is dropped.
    void aServerThatStopsAnsweringHoldsUpNothing()
    {
        ListedFolder folder({"A.MIN"}, true);
        if (!folder.share->failure().isEmpty())
            QSKIP(qPrintable(folder.share->failure()));
        QTRY_VERIFY(folder.watch().polls());
        const int threads = threadCount();
        folder.share->stop();
        folder.dir.addFile(QStringLiteral("NEW.MIN"));
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        qint64 longest = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
        });
        tick.start(20);
        // Waiting on the server would stop the window for the whole hold; a busy machine, for far less.
        QTest::qWait(2 * FolderWatch::PollMs + 500);
        QVERIFY2(longest < 500, qPrintable(QString::number(longest)));
        QCOMPARE(threadCount(), threads + 1);

        TestDir local;
        local.addFile(QStringLiteral("LOCAL.MIN"));
        QDir::setCurrent(local.path());
        clock.restart();
        folder.list.RefreshFileList();
        QVERIFY(clock.elapsed() < 500);
        folder.share->goOn();
        QTRY_COMPARE(threadCount(), threads);
        QCoreApplication::processEvents();
        QCOMPARE(shown(folder.list), QStringList{"LOCAL.MIN:0*"});
    }

    // A rename being typed is neither closed nor lost when the folder changes; the list follows after it.
    void anOpenRenameIsLeftAlone()
    {
        ListedFolder folder({"A.MIN"});
        FileListView &list = folder.list;
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.editItem(list.row(0), FileListView::NameColumn);
        const QPointer<QLineEdit> editor = list.viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->setText(QStringLiteral("TYPED"));
        QSignalSpy watched(list.findChild<FolderWatch *>(), &FolderWatch::changed);
        folder.dir.addFile(QStringLiteral("NEW.MIN"));
        QVERIFY(watched.wait());
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->text(), QStringLiteral("TYPED"));
        QCOMPARE(shown(list), QStringList{"A.MIN:0*"});
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_COMPARE(shown(list), (QStringList{"A.MIN:0*", "NEW.MIN:0"}));
    }

    // Changes in quick succession make one notice.
    void aBurstOfChangesIsOneNotice()
    {
        TestDir dir;
        FolderWatch watch(nullptr, 1000);
        watch.watch(dir.path());
        QList<int> filesAtNotice;
        connect(&watch, &FolderWatch::changed, this,
                [&] { filesAtNotice << int(QDir(dir.path()).entryList(QDir::Files).size()); });
        // Each change is seen by the event loop before the next is made.
        QFileSystemWatcher seen({dir.path()});
        QSignalSpy seenSpy(&seen, &QFileSystemWatcher::directoryChanged);
        for (const char *name : {"1.MIN", "2.MIN", "3.MIN"}) {
            dir.addFile(QString::fromLatin1(name));
            QVERIFY(seenSpy.wait());
        }
        QTRY_COMPARE(filesAtNotice, QList<int>{3});
        dir.addFile(QStringLiteral("4.MIN"));
        QTRY_COMPARE(filesAtNotice, (QList<int>{3, 4}));
    }

    // Names from a Windows machine: Shift_JIS shows as such, bytes of no encoding as replacement
    // characters. Every file is listed, each row keeps its bytes, and a rename reaches the file.
    void namesThatAreNotUtf8()
    {
        TestDir dir;
        for (int i = 0; i < 20; ++i)
            dir.addFile(QStringLiteral("P%1.MIN").arg(i));
        dir.addRawFile("\x89\xc1\x8dH.min", "O1");
        dir.addRawFile("BAD\xe9NAME\xff.MIN", "O22");
        QMap<QString, QByteArray> shown; // text -> bytes on disk
        for (const ListedFile &file : FolderListing::read(dir.path()))
            shown.insert(file.text, NativeName::toBytes(file.diskName));
        QCOMPARE(shown.size(), 22);
        QCOMPARE(shown.value(QStringLiteral("加工.MIN")), QByteArray("\x89\xc1\x8dH.min"));
        QCOMPARE(shown.value(QStringLiteral("BAD\uFFFDNAME\uFFFD.MIN")), QByteArray("BAD\xe9NAME\xff.MIN"));

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
