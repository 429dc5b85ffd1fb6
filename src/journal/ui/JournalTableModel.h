// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/TransferRecord.h"

#include <QAbstractTableModel>
#include <QList>

// The journal's entries as the window lists them, newest first. Rows come a page at a time from the
// window's reader: the view asks for more as it scrolls to the end.
class JournalTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Started,
        Ended,
        Machine,
        Port,
        Direction,
        Program,
        Size,
        Result,
        Reason,
        Operator,
        Host,
        Sha256,
        Columns
    };
    static constexpr int PageRows = 500;

    using QAbstractTableModel::QAbstractTableModel;

    static QString header(int column);
    // A cell as the window shows it; times local.
    static QString text(const TransferRecord &record, int column);
    static QString directionName(TransferRecord::Direction direction);
    static QString outcomeName(TransferRecord::Outcome outcome);

    // A new query is under way: no more pages of the old one are asked for until its rows replace these.
    void hold() { m_waiting = true; }
    void replace(const QList<TransferRecord> &rows, bool last);
    void append(const QList<TransferRecord> &rows, bool last);
    const TransferRecord &record(int row) const { return m_rows.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

signals:
    // The page after this row of the query shown.
    void moreWanted(const TransferRecord &after);

private:
    QList<TransferRecord> m_rows;
    bool m_more = false;
    bool m_waiting = false;
};
