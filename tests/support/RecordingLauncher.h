#pragma once

#include "platform/ProcessLauncher.h"

#include <QList>

// Records the programs the code would start; can be told to fail.
class RecordingLauncher final : public ProcessLauncher {
public:
    struct Started {
        QString program;
        QStringList arguments;
    };

    bool start(const QString &program, const QStringList &arguments) override
    {
        started.append({program, arguments});
        return succeeds;
    }

    bool succeeds = true;
    QList<Started> started;
};
