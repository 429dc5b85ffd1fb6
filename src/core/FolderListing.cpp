#include "core/FolderListing.h"

#include "platform/FileProtection.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

QList<ListedFile> FolderListing::read(const QString &folder)
{
    // Names first, details after: a file can vanish in between.
    return details(folder, QDir(folder).entryList(QDir::Files, QDir::Unsorted));
}

QList<ListedFile> FolderListing::details(const QString &folder, const QStringList &names)
{
    const QDir dir(folder);
    QList<ListedFile> files;
    files.reserve(names.size());
    for (const QString &name : names) {
        QFileInfo info(dir, name);
        info.setCaching(false);
        if (!info.exists() || !info.isFile())
            continue;
        ListedFile file;
        file.diskName = name;
        file.text = name.toUpper();
        file.size = info.size();
        file.modified = info.lastModified();
        file.isProtected = FileProtection::isProtected(info);
        files.append(file);
    }
    // NTFS hands names out in upper-case order; the shop's users know their folders that way.
    std::sort(files.begin(), files.end(), [](const ListedFile &a, const ListedFile &b) {
        return a.text != b.text ? a.text < b.text : a.diskName < b.diskName;
    });
    return files;
}

QString FolderListing::findName(const QString &folder, const QString &name)
{
    const QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &candidate : names) {
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return {};
}
