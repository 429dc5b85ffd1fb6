// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "support/TransferRig.h"

#include <QDir>
#include <QTest>

#include <functional>

// The reception starts; once it has taken every byte the machine punched, then runs (while it is
// still receiving), and the reception is run to its end, which waits for its disk's thread too.
inline void receive(TransferRig &rig, bool continuous, const std::function<void()> &then = {})
{
    continuous ? rig.commands.mnuTransInputCont_Click() : rig.commands.mnuTransInput_Click();
    rig.lineClock.runUntil([&rig] { return rig.port.waiting() == 0; });
    if (then && rig.commands.running())
        then();
    QTRY_VERIFY(rig.finish());
}

// Files given as "name=content".
inline void put(TransferRig &rig, const QStringList &files)
{
    for (const QString &file : files)
        rig.folder.addFile(file.section('=', 0, 0), file.section('=', 1).toUtf8());
}

// Every file of the folder, hidden or not, as "name=content", sorted.
inline QStringList filesIn(TransferRig &rig)
{
    QStringList files;
    for (const QString &name : QDir(rig.folder.path()).entryList(QDir::Files | QDir::Hidden))
        files << name + '=' + rig.fileContent(name);
    files.sort();
    return files;
}
