// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/files/NativeName.h"

#include <QByteArrayList>
#include <QString>
#include <QStringList>

// Starts a program as a detached process with one argument per list entry, never through a shell.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;

    // An argument or the folder may be a name that is not UTF-8 (NativeName): the program gets its
    // very bytes. Without a folder the program starts where this process stands.
    bool start(const QString &program, const QStringList &arguments, const QString &folder = {})
    {
        QByteArrayList bytes;
        for (const QString &argument : arguments)
            bytes.append(NativeName::toBytes(argument));
        return launch(NativeName::toBytes(program), bytes, NativeName::toBytes(folder));
    }

    // False when the program could not be started, also when it cannot enter the folder.
    virtual bool launch(const QByteArray &program, const QByteArrayList &arguments,
                        const QByteArray &folder) = 0;
};
