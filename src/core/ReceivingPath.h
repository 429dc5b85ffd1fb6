// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/FileIdentity.h"

#include <QMutex>
#include <QString>

// The program a reception is writing, as the line's thread publishes it for the window's file
// commands: its folder by what it is (a rename of the folder changes nothing), the program's name
// there and the hidden name it arrives under until it is whole. Set before that file is made, cleared
// once it has taken the program's name or is gone.
class ReceivingPath final {
public:
    struct Program {
        FileIdentity folder;
        QString name;      // on disk
        QString temporary; // on disk, in the same folder
    };

    void set(const Program &program);
    void clear() { set({}); }
    bool isEmpty() const;
    // Whether path, by any way to its folder, names the program being received or its hidden file.
    bool is(const QString &path) const;
    // Whether a program is being received into folder.
    bool isIn(const QString &folder) const;

private:
    Program get() const;

    mutable QMutex m_mutex;
    Program m_program;
};
