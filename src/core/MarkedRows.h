// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FileRows.h"

#include <QList>

// Which rows of the file list a command takes, from the selection, the checks and the check-box mode.
class MarkedRows final {
public:
    enum class Rule {
        Copy,          // in check-box mode the checked rows alone, a merely selected row is left out
        Action,        // the selected rows, and in check-box mode the checked ones too
        SelectionOnly, // the selected rows whatever the mode: a check alone never sends a file
    };

    // In list order.
    static QList<FileRow> of(const QList<FileRow> &rows, bool checkBoxes, Rule rule);
    static QList<FileRow> of(const FileRows &list, Rule rule);
};
