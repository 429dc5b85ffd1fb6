// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

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
    // Whether the page is to lie turned; none when the user cancels.
    virtual std::optional<bool> pageSetup(bool landscape) = 0;
    // The font chosen; none when the user cancels.
    virtual std::optional<Font> font(const QString &family, int points) = 0;
};
