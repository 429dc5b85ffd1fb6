// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// The standard file dialogs: Qt's in the program, a script in the tests.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen file's full path (it need not exist yet), or "" when the user cancels.
    virtual QString openFile(const QString &title, const QString &filter, const QString &folder) = 0;
};
