// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/files/FileIdentity.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

// The programs a reception is writing, as it publishes them for the window's file commands: each
// one's folder by what it is (a rename of the folder changes nothing), the program's name there and
// the hidden name it arrives under until it is whole. Set before that file is made, cleared once it
// has taken the program's name or is gone. A program whole on the line may still wait for its disk
// while the next one arrives: there can be more than one.
class ReceivingPath final {
public:
    struct Program {
        FileIdentity folder; // none until the folder is open: then folderPath stands for it
        QString folderPath;
        QString name;      // on disk
        QString temporary; // on disk, in the same folder
    };

    // Publishes program, in place of the one of the same hidden name.
    void set(const Program &program);
    // The program of this hidden name has its own name now, or is gone.
    void clear(const QString &temporary);
    bool isEmpty() const;
    // Whether path, by any way to its folder, names a program being received or its hidden file.
    bool is(const QString &path) const;
    // Whether a program is being received into folder.
    bool isIn(const QString &folder) const;

    // A new hidden name for a program this process receives. No received name holds "..", so none is
    // ever one of these; the computer and the process in it tell whose it is.
    static QString hiddenName();
    // Removes the hidden files in folder that receptions on this computer left behind when their
    // process ended first (a crash, a kill, a power cut): never another computer's, never one of a
    // Talvern that still runs. It asks the file system: never call it on the window's thread.
    static void removeLeftovers(const QString &folder);

private:
    QList<Program> programs() const;

    mutable QMutex m_mutex;
    QHash<QString, Program> m_programs; // by hidden name: a backlog of many stays cheap to keep
};
