// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// The in-place rename of a listed file, with the rules of a Windows file system.
class FileRenamer final {
public:
    // Renames the row shown as shownName (diskName on disk) in folder to newName exactly as typed;
    // false when refused or failed. An unchanged text renames nothing.
    static bool rename(const QString &folder, const QString &diskName, const QString &shownName,
                       const QString &newName);
};
