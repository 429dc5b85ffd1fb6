// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

class FolderNames;

// Names a program is kept under beside another: the first that no file of the folder holds, whatever
// the case of its letters (a share on a Windows server would take it for the same). Neither is ever
// written over.
class BackupName final {
public:
    // For the program another takes the place of: "<NAME>.BAK", then "<NAME>.BAK2", "<NAME>.BAK3", ...
    static QString firstFree(const QString &name, const FolderNames &names);
    // For a received program whose name was taken while it arrived: "受信<NAME>", then "受信2<NAME>", ...
    // The name's own extension stays last, so the file list knows its kind.
    static QString forReceived(const QString &name, const FolderNames &names);
};
