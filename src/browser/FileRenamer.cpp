// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileRenamer.h"

#include "core/AppState.h"
#include "core/FileNameRules.h"
#include "core/FolderListing.h"
#include "platform/files/NativeFile.h"
#include "platform/ui/MessageBoxes.h"

void FileRenamer::renameRow(const QString &folder, const QString &diskName, const QString &shownName,
                            const QString &newName)
{
    m_state.CurrentFileName = shownName;
    if (newName != shownName && newName != diskName &&
        m_state.Transfer.Receiving.is(NativeFile::join(folder, newName))) {
        m_messages.show(newName + QStringLiteral("は受信中なので名前を変更できません。"),
                        QStringLiteral("名前の変更"), MessageBoxes::Icon::Exclamation);
        return;
    }
    rename(folder, diskName, shownName, newName);
}

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
    return NativeFile::rename(from, NativeFile::join(folder, newName)).ok();
}
