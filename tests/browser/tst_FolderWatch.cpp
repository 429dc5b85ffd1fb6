// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListView.h"
#include "browser/FolderWatch.h"
#include "browser/ListedFolder.h"
#include "core/FolderListing.h"
#include "core/ReceivingPath.h"
#include "platform/files/NativeFile.h"
#include "support/RawFolder.h"
#include "support/TestDir.h"

#include <QFileSystemWatcher>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <optional>

// The list follows its folder on disk: change notices locally, looks at a file server's share.
class tst_FolderWatch : public QObject {
    Q_OBJECT

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
        QVERIFY(ListedFolder::make(dir, change));
        const auto files = FolderListing::changedFrom(dir.path(), shown, from, details);
        QCOMPARE(files.has_value(), found);
        if (found)
            QCOMPARE(*files, FolderListing::read(dir.path()));
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
        QSignalSpy listed(&list, &FileListView::listed);
        list.toggleCheckBoxes(); // the folder read anew: before the changes, or it may see them half made
        QVERIFY(listed.wait());
        ListedFolder::check(list, 1);
        ListedFolder::check(list, 2);
        list.selectionModel()->setCurrentIndex(ListedFolder::find(list, current),
                                               QItemSelectionModel::NoUpdate);
        QSignalSpy vanishedSpy(&list, &FileListView::currentRowVanished);

        QVERIFY(ListedFolder::make(folder.dir, change));
        QTRY_COMPARE_WITH_TIMEOUT(ListedFolder::shown(list), after, 3000);
        QCOMPARE(folder.watch().polls(), share);
        QCOMPARE(folder.watch().watchesFiles(), !share && !after.isEmpty()); // a share's cost its server
        QCOMPARE(vanishedSpy.size(), vanished ? 1 : 0);
        if (vanished)
            QCOMPARE(vanishedSpy.first().first().toString(), current);
        for (int i = 0; i < list.rowCount(); ++i) // a check mark and its selection go together
            QCOMPARE(ListedFolder::isSelected(list, i), list.listModel()->isChecked(i));
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
        QCOMPARE(ListedFolder::text(folder.list, 0), names.at(1));
    }
    // A folder whose name is not UTF-8, which no change notice reaches, is looked at instead.
    void aFolderNamedInShiftJisIsFollowed()
    {
        TestDir dir;
        const RawFolder folder(dir.path(), "\x83\x76\x83\x8d");
        AppState state;
        state.CurrentFolder = folder.path();
        FileListView list(state);
        list.RefreshFileList();
        QFile file;
        QVERIFY(
            NativeFile::open(file, NativeFile::join(folder.path(), "NEW.MIN"), QIODevice::WriteOnly).ok());
        file.close();
        QTRY_COMPARE_WITH_TIMEOUT(list.rowCount(), 1, 3 * FolderWatch::PollMs);
        QVERIFY(list.findChild<FolderWatch *>()->polls());
    }

    // A server that stops answering holds up one look at its share, never the window, and no second look
    // piles up behind it; the list moves on to another folder, the share can be opened again, and what
    // the look reads at last is dropped.
    void aServerThatStopsAnsweringHoldsUpNothing()
    {
        ListedFolder folder({"A.MIN"}, true);
        if (!folder.share->failure().isEmpty())
            QSKIP(qPrintable(folder.share->failure()));
        QTRY_VERIFY(folder.watch().polls());
        const int threads = threadCount();
        std::optional<StoppedShare> stopped(std::in_place, *folder.share);
        folder.dir.addFile(QStringLiteral("NEW.MIN"));
        const LoopGaps gaps;
        QTest::qWait(2 * FolderWatch::PollMs + 500);
        QCOMPARE(threadCount(), threads + 2); // the guard's and the one look's

        TestDir local;
        local.addFile(QStringLiteral("LOCAL.MIN"));
        folder.state.CurrentFolder = local.path();
        QVERIFY(ListedFolder::refresh(folder.list));
        FolderWatch again; // the share opened anew is asked nothing on this thread
        again.watch(folder.share->path());
        // Waiting on the server would stop the window for the whole hold; a busy machine, for far less.
        QVERIFY2(gaps.longestMs() < 500, qPrintable(QString::number(gaps.longestMs())));
        QVERIFY(!stopped->wentOnByItself());
        stopped.reset();
        QTRY_COMPARE(threadCount(), threads);
        QCoreApplication::processEvents();
        QCOMPARE(ListedFolder::shown(folder.list), QStringList{"LOCAL.MIN:0*"});
    }
    // A rename being typed is neither closed nor lost when the folder changes; the list follows after it.
    void anOpenRenameIsLeftAlone()
    {
        ListedFolder folder({"A.MIN"});
        FileListView &list = folder.list;
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.edit(list.row(0));
        const QPointer<QLineEdit> editor = list.viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->setText(QStringLiteral("TYPED"));
        QSignalSpy watched(list.findChild<FolderWatch *>(), &FolderWatch::changed);
        folder.dir.addFile(QStringLiteral("NEW.MIN"));
        QVERIFY(watched.wait());
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->text(), QStringLiteral("TYPED"));
        QCOMPARE(ListedFolder::shown(list), QStringList{"A.MIN:0*"});
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_COMPARE(ListedFolder::shown(list), (QStringList{"A.MIN:0*", "NEW.MIN:0"}));
    }
    // A folder opened loses the hidden files that a reception on this computer left when its process
    // ended first.
    void leftoversOfEndedReceptionsGo()
    {
        QProcess ended;
        ended.start(QStringLiteral("true"));
        QVERIFY(ended.waitForStarted());
        QStringList name = ReceivingPath::hiddenName().split(u'.'); // .talvern-receive..<host>.<pid>.<random>
        name[4] = QString::number(ended.processId());
        QVERIFY(ended.waitForFinished());
        TestDir dir;
        const QString leftover = dir.addFile(name.join(u'.'));
        FolderWatch watch;
        watch.watch(dir.path());
        QTRY_VERIFY(!QFile::exists(leftover));
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
};

QTEST_MAIN(tst_FolderWatch)
#include "tst_FolderWatch.moc"
