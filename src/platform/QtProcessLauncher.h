#pragma once

#include "platform/ProcessLauncher.h"

class QtProcessLauncher final : public ProcessLauncher {
public:
    bool start(const QString &program, const QStringList &arguments) override;
};
