// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/MarkedRows.h"

bool MarkedRows::takes(const FileRow &row, bool checkBoxes, Rule rule)
{
    switch (rule) {
    case Rule::Copy:
        return checkBoxes ? row.checked : row.selected;
    case Rule::Action:
        return row.selected || (checkBoxes && row.checked);
    case Rule::SelectionOnly:
        return row.selected;
    }
    return false;
}

QList<FileRow> MarkedRows::of(const QList<FileRow> &rows, bool checkBoxes, Rule rule)
{
    QList<FileRow> taken;
    for (const FileRow &row : rows) {
        if (takes(row, checkBoxes, rule))
            taken.append(row);
    }
    return taken;
}

QList<FileRow> MarkedRows::of(const FileRows &list, Rule rule)
{
    return of(list.rows(), list.checkBoxes(), rule);
}
