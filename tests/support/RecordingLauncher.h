// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/system/ProcessLauncher.h"

#include <QList>

// Records the programs the code would start, with the bytes of their arguments and the folder they
// would start in; can be told to fail.
class RecordingLauncher final : public ProcessLauncher {
public:
    struct Started {
        QString program;
        QStringList arguments; // as NativeName reads the bytes back
        QByteArrayList bytes;
        QByteArray folder;
    };

    bool launch(const QByteArray &program, const QByteArrayList &arguments, const QByteArray &folder) override
    {
        QStringList texts;
        for (const QByteArray &argument : arguments)
            texts.append(NativeName::fromBytes(argument));
        started.append({NativeName::fromBytes(program), texts, arguments, folder});
        return succeeds;
    }

    bool succeeds = true;
    QList<Started> started;
};
