#include "core/FolderListing.h"

#include "platform/FileProtection.h"
#include "platform/NativeFile.h"
#include "platform/NativeName.h"

#include <algorithm>

QList<ListedFile> FolderListing::read(const QString &folder)
{
    // Names first, details after: a file can vanish in between. Hidden names start with a dot.
    QStringList names = NativeFile::entries(folder);
    names.removeIf([](const QString &name) { return name.startsWith(QLatin1Char('.')); });
    return details(folder, names);
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
        file.text = NativeName::shown(name).toUpper();
        file.size = status->size;
        file.modified = status->modified;
        file.isProtected = FileProtection::isProtected(status->permissions);
        files.append(file);
    }
    // NTFS hands names out in upper-case order; the shop's users know their folders that way.
    std::sort(files.begin(), files.end(), [](const ListedFile &a, const ListedFile &b) {
        return a.text != b.text ? a.text < b.text : a.diskName < b.diskName;
    });
    return files;
}

std::optional<QList<ListedFile>> FolderListing::changedFrom(const QString &folder,
                                                           const QList<ListedFile> &shown, qsizetype detailLimit)
{
    if (shown.size() > detailLimit) {
        QStringList names = NativeFile::fileNames(folder);
        names.removeIf([](const QString &name) { return name.startsWith(QLatin1Char('.')); });
        if (names.size() == shown.size()) {
            QStringList before;
            before.reserve(shown.size());
            for (const ListedFile &file : shown)
                before.append(file.diskName);
            std::sort(before.begin(), before.end());
            std::sort(names.begin(), names.end());
            if (names == before)
                return std::nullopt;
        }
    }
    QList<ListedFile> files = read(folder);
    if (files == shown)
        return std::nullopt;
    return files;
}

QString FolderListing::findName(const QString &folder, const QString &name)
{
    const QStringList candidates = NativeFile::entries(folder);
    for (const QString &candidate : candidates) {
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    // A name a Windows machine wrote in Shift_JIS is the same name as its text: a program of that name
    // is found, not stored a second time beside it.
    const auto readable = [](const QString &text) { return !text.contains(QChar::ReplacementCharacter); };
    const QString wanted = NativeName::shown(name);
    if (!readable(wanted))
        return {};
    for (const QString &candidate : candidates) {
        if (NativeName::isEscaped(candidate) == NativeName::isEscaped(name))
            continue;
        const QString text = NativeName::shown(candidate);
        if (readable(text) && text.compare(wanted, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return {};
}
