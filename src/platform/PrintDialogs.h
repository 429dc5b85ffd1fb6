// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/PageOrientation.h"

#include <QString>

#include <optional>

// The platform's page setup and font dialogs: Qt's in the program, a script in the tests.
class PrintDialogs {
public:
    struct Font {
        QString family;
        double points = 0;
    };

    virtual ~PrintDialogs() = default;
    // The orientation chosen; none when the user cancels.
    virtual std::optional<PageOrientation> pageSetup(PageOrientation orientation) = 0;
    // The font chosen; none when the user cancels.
    virtual std::optional<Font> font(const QString &family, int points) = 0;
};
