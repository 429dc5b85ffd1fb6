// SPDX-License-Identifier: GPL-2.0-or-later
#include "journal/ui/JournalTableModel.h"

QString JournalTableModel::header(int column)
{
    static const char16_t *const Headers[Columns] = {u"開始", u"終了",       u"機械",   u"ポート",
                                                     u"方向", u"プログラム", u"サイズ", u"結果",
                                                     u"理由", u"作業者",     u"ホスト", u"SHA-256"};
    return QString::fromUtf16(Headers[column]);
}

QString JournalTableModel::directionName(TransferRecord::Direction direction)
{
    static const char16_t *const Names[] = {u"送信", u"受信", u"要求"};
    return QString::fromUtf16(Names[int(direction)]);
}

QString JournalTableModel::outcomeName(TransferRecord::Outcome outcome)
{
    static const char16_t *const Names[] = {u"実行中", u"完了", u"失敗", u"中止", u"拒否", u"中断"};
    return QString::fromUtf16(Names[int(outcome)]);
}

QString JournalTableModel::text(const TransferRecord &record, int column)
{
    const auto local = [](const QDateTime &utc) {
        return utc.isValid() ? utc.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) : QString();
    };
    switch (Column(column)) {
    case Started:
        return local(record.started);
    case Ended:
        return local(record.ended);
    case Machine:
        return record.machine;
    case Port:
        return record.port;
    case Direction:
        return directionName(record.direction);
    case Program:
        return record.program;
    case Size:
        return record.size < 0 ? QString() : QString::number(record.size);
    case Result:
        return outcomeName(record.outcome);
    case Reason:
        return record.reason;
    case Operator:
        return record.operatorName;
    case Host:
        return record.host;
    case Sha256:
        return record.sha256;
    case Columns:
        break;
    }
    return {};
}

void JournalTableModel::replace(const QList<TransferRecord> &rows, bool last)
{
    beginResetModel();
    m_rows = rows;
    m_more = !last;
    m_waiting = false;
    endResetModel();
}

void JournalTableModel::append(const QList<TransferRecord> &rows, bool last)
{
    if (!rows.isEmpty()) {
        beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + rows.size() - 1));
        m_rows += rows;
        endInsertRows();
    }
    m_more = !last;
    m_waiting = false;
}

int JournalTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int JournalTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant JournalTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return text(m_rows.at(index.row()), index.column());
    if (role == Qt::TextAlignmentRole && index.column() == Size)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant JournalTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return header(section);
    return {};
}

bool JournalTableModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_more && !m_waiting && !m_rows.isEmpty();
}

void JournalTableModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    m_waiting = true;
    emit moreWanted(m_rows.constLast());
}
