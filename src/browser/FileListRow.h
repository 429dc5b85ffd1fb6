// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FolderListing.h"

#include <QIcon>
#include <QTreeWidgetItem>

// One row of the file list. It keeps the file as listed and makes its column texts when the view asks
// for them, so a folder of many thousand files costs a few hundred bytes a row and only the rows in
// sight are ever formatted. Only the check state is kept by the item itself.
class FileListRow final : public QTreeWidgetItem {
public:
    FileListRow(const ListedFile &file, const QIcon &icon);

    const ListedFile &file() const { return m_file; }
    QVariant data(int column, int role) const override;

    static QString sizeText(qint64 size);
    static QString modifiedText(const QDateTime &modified);

private:
    QString columnText(int column) const;

    ListedFile m_file;
    QIcon m_icon; // shared by every row of its type
};
