// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

// One row of the file list as a command sees it: a copy, never the widget's own row.
struct FileRow {
    QString text;     // the name as listed: upper case, but a twin differing only in case as it is
    QString diskName; // the name on disk (NativeName); every operation uses this, never text
    bool selected = false;
    bool checked = false;
};

// The file list as the subsystems reach it. A command copies what it needs when it starts and names
// rows by their disk name afterwards, so a refresh in the meantime can never leave it holding a freed row.
class FileRows {
public:
    virtual ~FileRows() = default;
    virtual int rowCount() const = 0;
    virtual QList<FileRow> rows() const = 0; // in list order
    // The list's current (focused) row; none when the list is empty or no row is current.
    virtual std::optional<FileRow> currentRow() const = 0;
    virtual bool checkBoxes() const = 0;
    // Clears the selection and the check of the row listing diskName, when it is still listed.
    virtual void unmark(const QString &diskName) = 0;
    // Gives the list the keyboard focus and selects every row, checking it too in check-box mode.
    virtual void markAll() = 0;
    virtual void RefreshFileList() = 0;
    // Ends an in-place rename that is open or about to open without renaming anything.
    virtual void dropRename() {}
};
