// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/system/ProcessLauncher.h"

class QtProcessLauncher final : public ProcessLauncher {
public:
    bool launch(const QByteArray &program, const QByteArrayList &arguments,
                const QByteArray &folder) override;
};
