// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/system/ConfigurationStore.h"

// The Windows registry; elsewhere there is none and nothing is ever found.
class SystemRegistry final : public ConfigurationStore {
public:
    Value GetKeyValue(Root root, const QString &keyPath, const QString &valueName) const override;
};
