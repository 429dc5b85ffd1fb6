// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileRenamer.h"

#include "core/FileNameRules.h"
#include "core/FolderListing.h"
#include "platform/NativeFile.h"

bool FileRenamer::rename(const QString &folder, const QString &diskName, const QString &shownName,
                         const QString &newName)
{
    if (diskName.isEmpty() || !FileNameRules::isAcceptable(newName) || newName == shownName ||
        newName == diskName)
        return false;
    const QString from = NativeFile::join(folder, diskName);
    if (!NativeFile::status(from))
        return false;
    // Another file of the same name in any case would be overwritten on Linux, refused on Windows.
    const QString existing = FolderListing::findName(folder, newName);
    if (!existing.isEmpty() && existing != diskName)
        return false;
    return NativeFile::rename(from, NativeFile::join(folder, newName)).isEmpty();
}
