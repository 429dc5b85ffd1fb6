// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/MarkedRows.h"

QList<FileRow> MarkedRows::of(const QList<FileRow> &rows, bool checkBoxes, Rule rule)
{
    const bool selectionCounts = !(checkBoxes && rule == Rule::Copy);
    const bool checksCount = checkBoxes && rule != Rule::SelectionOnly;
    QList<FileRow> taken;
    for (const FileRow &row : rows) {
        if ((selectionCounts && row.selected) || (checksCount && row.checked))
            taken.append(row);
    }
    return taken;
}

QList<FileRow> MarkedRows::of(const FileRows &list, Rule rule)
{
    return of(list.rows(), list.checkBoxes(), rule);
}
