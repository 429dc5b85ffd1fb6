// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// Modal message boxes: Qt's in the program, a script in the tests.
class MessageBoxes {
public:
    enum class Icon { None, Information, Exclamation, Critical, Question };
    // YesNoDefaultNo: Enter answers No, where Yes ends something that is still going.
    enum class Buttons { Ok, YesNo, YesNoDefaultNo };
    enum class Answer { Ok, Yes, No };

    virtual ~MessageBoxes() = default;
    // An empty title shows the program's own, "Talvern".
    virtual Answer show(const QString &text, const QString &title, Icon icon,
                        Buttons buttons = Buttons::Ok) = 0;
};
