// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/ui/FileDialogs.h"

#include <QList>

// Answers file dialogs from a script ("" cancels) and records what was asked.
class ScriptedFileDialogs final : public FileDialogs {
public:
    struct Asked {
        QString title;
        QString filter;
        QString folder;
    };

    QString openFile(const QString &title, const QString &filter, const QString &folder) override
    {
        asked.append({title, filter, folder});
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }

    QList<QString> answers;
    QList<Asked> asked;
};
