#include "browser/FileRenamer.h"

#include "core/FolderListing.h"

#include <QDir>
#include <QFile>

bool FileRenamer::isAcceptableName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    // A leading dot would hide the file from the list; a trailing dot or blank Windows drops silently.
    if (name.startsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char('.')) ||
        name.endsWith(QLatin1Char(' ')))
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c))
            return false;
    }
    return QFile::encodeName(name).size() <= 255;
}

bool FileRenamer::rename(const QString &folder, const QString &diskName, const QString &shownName,
                         const QString &newName)
{
    if (diskName.isEmpty() || !isAcceptableName(newName) || newName == shownName || newName == diskName)
        return false;
    const QDir dir(folder);
    if (!QFileInfo::exists(dir.filePath(diskName)))
        return false;
    // Another file of the same name in any case would be overwritten on Linux, refused on Windows.
    const QString existing = FolderListing::findName(folder, newName);
    if (!existing.isEmpty() && existing != diskName)
        return false;
    return QFile::rename(dir.filePath(diskName), dir.filePath(newName));
}
