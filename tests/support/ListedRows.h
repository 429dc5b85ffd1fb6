// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FileRows.h"
#include "core/Log.h"

#include <QStringList>

// A file list without a widget: the rows a command is to see.
struct ListedRows final : FileRows {
    QList<FileRow> list;
    int current = 0;
    bool boxes = false;
    int rowCount() const override { return int(list.size()); }
    QList<FileRow> rows() const override { return list; }
    std::optional<FileRow> currentRow() const override
    {
        return current < list.size() ? std::optional(list[current]) : std::nullopt;
    }
    bool checkBoxes() const override { return boxes; }
    void unmark(const QString &) override {}
    void markAll() override {}
    void RefreshFileList() override {}
};

// A log that keeps its lines; it starts with one from before.
struct LinesLog final : Log {
    QStringList lines{QStringLiteral("earlier line")};
    void addLine(const QString &line) override { lines.append(line); }
    void clear() override { lines.clear(); }
};
