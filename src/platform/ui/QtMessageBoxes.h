// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/ui/MessageBoxes.h"

// Modal to the window in front, so a box never hides behind the main window.
class QtMessageBoxes final : public MessageBoxes {
public:
    Answer show(const QString &text, const QString &title, Icon icon, Buttons buttons) override;
};
