// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FileRows.h"
#include "core/FolderListing.h"

// The file list of a folder without a widget, as the window's list behaves for a command: a refresh
// reads the folder again and clears the marks, the first row becomes current.
struct FolderRows final : FileRows {
    QString folder;
    QList<FileRow> list;
    int current = -1;
    bool boxes = false;
    int rowCount() const override { return int(list.size()); }
    QList<FileRow> rows() const override { return list; }
    std::optional<FileRow> currentRow() const override
    {
        return current >= 0 && current < list.size() ? std::optional(list[current]) : std::nullopt;
    }
    bool checkBoxes() const override { return boxes; }
    void unmark(const QString &diskName) override
    {
        for (FileRow &row : list) {
            if (row.diskName == diskName) {
                row.selected = row.checked = false;
                return;
            }
        }
    }
    void markAll() override
    {
        for (FileRow &row : list)
            row.selected = true;
    }
    void RefreshFileList() override
    {
        list.clear();
        for (const ListedFile &file : FolderListing::read(folder))
            list.append({file.text, file.diskName});
        current = list.isEmpty() ? -1 : 0;
    }
};
