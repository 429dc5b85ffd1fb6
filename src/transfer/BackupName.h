// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The name a program is kept under when another takes its place: "<NAME>.BAK", or when that is
// taken "<NAME>.BAK2", "<NAME>.BAK3", ...: the first that no file of the folder holds, whatever the
// case of its letters (a share on a Windows server would take it for the same). A backup is never
// written over.
class BackupName final {
public:
    // names: every name in the folder, as on disk.
    static QString firstFree(const QString &name, const QStringList &names);
};
