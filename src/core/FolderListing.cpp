// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/FolderListing.h"

#include "core/FolderNames.h"

#include "platform/files/FileProtection.h"
#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"

#include <QElapsedTimer>

#include <algorithm>
#include <iterator>

namespace {

// NTFS hands names out in upper-case order; the shop's users know their folders that way. Names that
// are one in upper case are each shown as they are, or the operator could not tell their rows apart.
void sortListed(QList<ListedFile> &files)
{
    for (ListedFile &file : files) {
        if (!file.text.isUpper())
            file.text = file.text.toUpper();
    }
    std::sort(files.begin(), files.end(), [](const ListedFile &a, const ListedFile &b) {
        return a.text != b.text ? a.text < b.text : a.diskName < b.diskName;
    });
    for (qsizetype first = 0; first < files.size();) {
        qsizetype end = first + 1;
        while (end < files.size() && files[end].text == files[first].text)
            ++end;
        if (end - first > 1) {
            for (qsizetype i = first; i < end; ++i)
                files[i].text = NativeName::shown(files[i].diskName);
        }
        first = end;
    }
}

} // namespace

QList<ListedFile> FolderListing::read(const QString &folder)
{
    QStringList all = names(folder);
    order(all, 0, all.size());
    return details(folder, all);
}

QStringList FolderListing::names(const QString &folder)
{
    // Names first, details after: a file can vanish in between. Hidden names start with a dot.
    QStringList names = NativeFile::entries(folder);
    names.removeIf([](const QString &name) { return name.startsWith(QLatin1Char('.')); });
    return names;
}

qsizetype FolderListing::order(QStringList &names, qsizetype from, qsizetype count)
{
    QList<std::pair<QString, QString>> keyed; // shown in upper case, on disk
    keyed.reserve(names.size() - from);
    for (qsizetype i = from; i < names.size(); ++i)
        keyed.append({sortKey(names[i]), std::move(names[i])});
    // A few beyond count, so that the run of one key at its end is known whole.
    const qsizetype sorted = std::min(keyed.size(), count + 16);
    std::partial_sort(keyed.begin(), keyed.begin() + sorted, keyed.end());
    qsizetype ready = std::min(count, sorted);
    while (ready < sorted && ready > 0 && keyed[ready].first == keyed[ready - 1].first)
        ++ready;
    if (ready == sorted && sorted < keyed.size()) { // a run longer than the margin
        std::sort(keyed.begin(), keyed.end());
        ready = keyed.size();
    }
    for (qsizetype i = 0; i < keyed.size(); ++i)
        names[from + i] = std::move(keyed[i].second);
    return from + ready;
}

QString FolderListing::sortKey(const QString &name)
{
    const QString shown = NativeName::shown(name);
    return shown.isUpper() ? shown : shown.toUpper(); // most names are: no copy of each
}

QList<ListedFile> FolderListing::details(const QString &folder, const QStringList &names)
{
    QList<ListedFile> files;
    files.reserve(names.size());
    for (const QString &name : names) {
        const std::optional<NativeFile::Status> status = NativeFile::status(NativeFile::join(folder, name));
        if (!status || !status->isFile)
            continue;
        ListedFile file;
        file.diskName = name;
        file.text = sortKey(name);
        file.size = status->size;
        file.modified = status->modified;
        file.isProtected = FileProtection::isProtected(status->permissions);
        files.append(file);
    }
    sortListed(files);
    return files;
}

void FolderListing::readInBatches(const QString &folder, qsizetype first, int everyMs,
                                  const std::function<bool()> &wanted,
                                  const std::function<void(QList<ListedFile> rows, bool last)> &hand)
{
    // The first rows are put in order alone, so that they show before the rest is sorted.
    QStringList all = names(folder);
    qsizetype ordered = order(all, 0, first);
    QList<ListedFile> files;
    QElapsedTimer since;
    since.start();
    bool handedFirst = false;
    for (qsizetype from = 0; from < all.size();) {
        if (!wanted())
            return;
        // A few at a time, for the first rows of a slow share; names of one key stay together, as a pair
        // that differs only in case shows each its own case.
        if (from == ordered)
            ordered = order(all, from, all.size());
        qsizetype end = std::min(from + 100, ordered);
        while (end < ordered && sortKey(all[end]) == sortKey(all[end - 1]))
            ++end;
        files += details(folder, all.mid(from, end - from));
        from = end;
        if (handedFirst ? since.elapsed() >= everyMs : files.size() >= first) {
            handedFirst = true;
            hand(std::exchange(files, {}), false);
            since.restart();
        }
    }
    hand(std::move(files), true);
}

FolderListing::Shown FolderListing::Shown::of(const QList<ListedFile> &files)
{
    Shown shown{files, {}};
    shown.sortedNames.reserve(files.size());
    for (const ListedFile &file : files)
        shown.sortedNames.append(file.diskName);
    std::sort(shown.sortedNames.begin(), shown.sortedNames.end());
    return shown;
}

std::optional<QList<ListedFile>> FolderListing::changedFrom(const QString &folder, const Shown &shown,
                                                            qsizetype from, qsizetype details)
{
    if (shown.files.size() <= details) {
        QList<ListedFile> files = read(folder);
        if (files == shown.files)
            return std::nullopt;
        return files;
    }
    // A file looked at costs a server a round trip: only those that came and this look's share of the
    // rest are; the others keep what the list shows until their turn.
    QStringList names = NativeFile::fileNames(folder);
    names.removeIf([](const QString &name) { return name.startsWith(QLatin1Char('.')); });
    std::sort(names.begin(), names.end());
    if (names == shown.sortedNames) {
        const QList<ListedFile> some = shown.files.mid(from, details);
        QStringList someNames;
        someNames.reserve(some.size());
        for (const ListedFile &file : some)
            someNames.append(file.diskName);
        QList<ListedFile> now = FolderListing::details(folder, someNames);
        // The same names: a twin stays one, though the files read here may hold only one of a pair.
        for (qsizetype i = 0, j = 0; i < now.size(); ++i) {
            while (some[j].diskName != now[i].diskName)
                ++j;
            now[i].text = some[j].text;
        }
        if (now == some)
            return std::nullopt;
        // The same names keep their places; one gone meanwhile is left out.
        QList<ListedFile> files = shown.files;
        files.remove(from, some.size());
        files.insert(from, now.size(), ListedFile());
        std::copy(now.cbegin(), now.cend(), files.begin() + from);
        return files;
    }
    QStringList came;
    std::set_difference(names.cbegin(), names.cend(), shown.sortedNames.cbegin(), shown.sortedNames.cend(),
                        std::back_inserter(came));
    QList<ListedFile> files = FolderListing::details(folder, came);
    for (const ListedFile &file : shown.files) {
        if (std::binary_search(names.cbegin(), names.cend(), file.diskName))
            files.append(file);
    }
    sortListed(files);
    return files;
}

QString FolderListing::findName(const QString &folder, const QString &name)
{
    return FolderNames::read(folder).find(name);
}
