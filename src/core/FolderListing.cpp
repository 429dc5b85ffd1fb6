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

QString FolderListing::findName(const QString &folder, const QString &name)
{
    for (const QString &candidate : NativeFile::entries(folder)) {
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return {};
}
