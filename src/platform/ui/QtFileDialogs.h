// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/ui/FileDialogs.h"

class QtFileDialogs final : public FileDialogs {
public:
    QString openFile(const QString &title, const QString &filter, const QString &folder) override;
};
