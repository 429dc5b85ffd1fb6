// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/print/PrintDialogs.h"

class QtPrintDialogs final : public PrintDialogs {
public:
    std::optional<bool> pageSetup(bool landscape) override;
    std::optional<Font> font(const QString &family, int points) override;
};
