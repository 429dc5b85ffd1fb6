// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/ui/MessageBoxes.h"

#include <QList>

#include <functional>

// Answers message boxes from a script and records what was asked.
class ScriptedMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
    };

    Answer show(const QString &text, const QString &title, Icon icon, Buttons buttons) override
    {
        shown.append({text, title, icon, buttons});
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        if (whileAsking)
            whileAsking();
        return answers.isEmpty() ? Answer::No : answers.takeFirst();
    }

    QList<Answer> answers; // for yes/no questions, in order; "No" when the script runs out
    QList<Shown> shown;
    std::function<void()> whileAsking; // what happens while a question is open, before it is answered
};
