// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "browser/ListIcons.h"
#include "core/FolderListing.h"

#include <QAbstractTableModel>

#include <functional>

// The rows of the file list. Each keeps the file as listed and its column texts are made when the view
// asks for them, so a folder of many thousand files costs a few hundred bytes a row and only the rows
// in sight are ever formatted.
class FileListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn, SizeColumn, ModifiedColumn, TypeColumn, ProtectedColumn, ColumnCount };
    static constexpr int DiskNameRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // In place of every row, unchecked, with check boxes or without.
    void reset(const QList<ListedFile> &files, bool checkable);
    void append(const QList<ListedFile> &files);
    const QList<ListedFile> &files() const { return m_files; }
    bool isChecked(int row) const { return m_checkable && m_checked[row]; }
    // Checks the rows picked, told to the view as one change.
    void check(const std::function<bool(int row)> &picked);

    static QString sizeText(qint64 size);
    static QString modifiedText(const QDateTime &modified);

private:
    QList<ListedFile> m_files;
    QList<bool> m_checked;
    bool m_checkable = false;
    ListIcons m_icons;
};
