// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/FolderListing.h"
#include "core/FolderNames.h"
#include "platform/files/NativeName.h"
#include "support/TestDir.h"

#include <QTest>

#include <algorithm>

namespace {

// "テスト.MIN" as a Windows machine names it on a share, and as text.
const QString SjisName = NativeName::fromBytes("\x83\x65\x83\x58\x83\x67.MIN");
const QString TextName = QStringLiteral("テスト.MIN");

} // namespace

class tst_FolderNames : public QObject {
    Q_OBJECT

private slots:
    // The name itself wins over its twins, whatever order the folder lists them in; without it, a twin
    // held the same way, then any twin; never a name that is only alike.
    void aNameFindsItselfBeforeItsTwins_data()
    {
        QTest::addColumn<QStringList>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("found");
        QTest::newRow("exact among twins")
            << QStringList{"o1002.min", "O1002.MIN", "O1002.min"} << "O1002.MIN"
            << "O1002.MIN";
        QTest::newRow("twin in another case") << QStringList{"o1002.min"} << "O1002.MIN"
                                              << "o1002.min";
        QTest::newRow("full-width twin") << QStringList{"ｏ１.MIN"} << "Ｏ１.min"
                                         << "ｏ１.MIN";
        QTest::newRow("bytes for text") << QStringList{SjisName} << TextName << SjisName;
        QTest::newRow("text for bytes") << QStringList{TextName.toLower()} << SjisName << TextName.toLower();
        QTest::newRow("same holding first")
            << QStringList{TextName, SjisName} << NativeName::fromBytes("\x83\x65\x83\x58\x83\x67.min")
            << SjisName;
        QTest::newRow("only alike") << QStringList{"O1002.MIN.BAK", "O1002"} << "O1002.MIN"
                                    << "";
        QTest::newRow("empty folder") << QStringList() << "A.MIN"
                                      << "";
    }

    void aNameFindsItselfBeforeItsTwins()
    {
        QFETCH(QStringList, folder);
        QFETCH(QString, name);
        std::sort(folder.begin(), folder.end());
        do {
            QTEST(FolderNames(folder).find(name), "found");
        } while (std::next_permutation(folder.begin(), folder.end()));
    }

    // Kept current by whoever changes the folder: a name gone is found no more, its twin takes over.
    void changesKeepTheNamesCurrent()
    {
        FolderNames names(QStringList{"A.MIN", "a.min"});
        names.add("B.MIN");
        names.add("B.MIN");
        QCOMPARE(names.size(), 3);
        QCOMPARE(names.find("b.min"), QStringLiteral("B.MIN"));
        names.remove("A.MIN");
        QCOMPARE(names.find("A.MIN"), QStringLiteral("a.min"));
        names.remove("a.min");
        names.remove("a.min");
        QCOMPARE(names.find("A.MIN"), QString());
        QCOMPARE(names.names(), QStringList{"B.MIN"});
    }

    // The first rows of a list are put in order before the rest: they must be the rows a whole sort
    // puts first, and their end must not split names that differ only in case.
    void theFirstNamesInOrderAreTheFirstOfAll()
    {
        QStringList names;
        for (int i = 0; i < 300; ++i)
            names << QStringLiteral("O%1.MIN").arg((i * 7919) % 300, 4, 10, QLatin1Char('0'));
        names << QStringLiteral("o0099.min") << QStringLiteral("O0099.Min");
        QStringList all = names;
        FolderListing::order(all, 0, all.size());
        for (const int count : {0, 1, 98, 99, 100, 101, 299, 400}) {
            QStringList some = names;
            const qsizetype ordered = FolderListing::order(some, 0, count);
            QVERIFY2(ordered >= std::min<qsizetype>(count, names.size()), qPrintable(QString::number(count)));
            QCOMPARE(some.first(ordered), all.first(ordered));
            if (ordered > 0 && ordered < all.size())
                QVERIFY(FolderListing::sortKey(all[ordered]) != FolderListing::sortKey(all[ordered - 1]));
            FolderListing::order(some, ordered, some.size());
            QCOMPARE(some, all);
        }
    }

    // Rows handed over in batches are the rows of one whole read, the first batch holds the first rows
    // asked for, and no batch comes once no one waits.
    void batchesMakeTheWholeListing()
    {
        TestDir dir;
        for (int i = 0; i < 250; ++i)
            dir.addFile(QStringLiteral("O%1.MIN").arg(i));
        dir.addFile(QStringLiteral("o7.min"));
        QList<QList<ListedFile>> batches;
        QList<bool> lasts;
        FolderListing::readInBatches(
            dir.path(), 100, 0, [] { return true; },
            [&](QList<ListedFile> rows, bool last) {
                batches << rows;
                lasts << last;
            });
        QCOMPARE(lasts.count(true), 1);
        QVERIFY(lasts.last());
        QVERIFY(batches.size() > 2);
        QVERIFY(batches.first().size() >= 100);
        QList<ListedFile> all;
        for (const QList<ListedFile> &batch : std::as_const(batches))
            all += batch;
        QCOMPARE(all, FolderListing::read(dir.path()));
        int handed = 0;
        FolderListing::readInBatches(
            dir.path(), 100, 0, [&handed] { return handed == 0; },
            [&handed](QList<ListedFile>, bool) { ++handed; });
        QCOMPARE(handed, 1);
    }
};

QTEST_GUILESS_MAIN(tst_FolderNames)
#include "tst_FolderNames.moc"
