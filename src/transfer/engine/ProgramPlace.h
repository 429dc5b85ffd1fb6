// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FolderNames.h"
#include "platform/files/FileIdentity.h"
#include "platform/text/Outcome.h"

#include <QString>

class FolderHandle;
class QFile;

// Where the programs of one reception go in the folder it holds: each under its own name, the program
// it replaces kept aside when asked, and never in place of what another hand put under that name while
// it arrived. The folder's names are read once and kept as this changes the folder, so a continuous
// reception of new names does not read the folder for each program. It asks the file system: it runs
// on the reception's disk thread alone.
class ProgramPlace final {
public:
    explicit ProgramPlace(const FolderHandle &folder) : m_folder(folder) {}

    // Reads the folder's names, unless nobody changed the folder since they were read.
    void freshen();
    // A program of the name as received begins: its name on disk, or "" with why it cannot be taken.
    QString begin(const QString &received, QString *why);
    // Makes the program's hidden file and opens it into file.
    Outcome create(QFile &file, const QString &temporary);

    struct Placed {
        QString backup; // where the program it replaced went, or where it went itself when taken
        QString taken;  // why the program did not take its own name: it went beside it
    };
    // The hidden file takes the program's name, or one beside it when that was taken meanwhile. rotate
    // > 0: the program it replaces is kept as "<NAME>.BAK", the newest of at most rotate backups.
    Outcome keep(const QString &temporary, bool keepOld, int rotate, Placed *placed);

private:
    template <typename Change> Outcome ownChange(Change change);
    QString takenMeanwhile() const;
    Outcome moveTo(const QString &temporary, const QString &name, int *error);
    Outcome takeFreeName(const QString &temporary, QString *taken);
    Outcome divert(const QString &temporary, QString *aside);
    Outcome keepAside(QString *backup, int from = 1);
    Outcome keepRotated(int rotate, QString *backup);
    bool shiftBackups(int rotate);
    QString backupName(int number) const;

    const FolderHandle &m_folder;
    FolderNames m_names;  // the folder's, as last known
    qint64 m_namesAt = 0; // the folder's change time that they tell of
    QString m_target;
    FileIdentity m_replaces; // what the program's name held as the program began
};
