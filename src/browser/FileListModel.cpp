// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListModel.h"

#include "core/FileTypeCatalogue.h"

#include <QLocale>

namespace {

struct Header {
    const char16_t *text;
    Qt::Alignment alignment;
};

constexpr Header Headers[] = {
    {u"ファイル名", Qt::AlignLeft}, {u"サイズ", Qt::AlignRight}, {u"更新日時", Qt::AlignLeft},
    {u"種類", Qt::AlignLeft},       {u"保護", Qt::AlignLeft},
};
static_assert(std::size(Headers) == FileListModel::ColumnCount);

} // namespace

int FileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_files.size());
}

int FileListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FileListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const ListedFile &file = m_files[index.row()];
    const bool name = index.column() == NameColumn;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case NameColumn:
            return file.text;
        case SizeColumn:
            return sizeText(file.size);
        case ModifiedColumn:
            return modifiedText(file.modified);
        case TypeColumn:
            return FileTypeCatalogue::TypeDescription(file.text);
        default:
            return file.isProtected ? QStringLiteral("保護") : QString();
        }
    case Qt::DecorationRole:
        return name ? QVariant(m_icons.icon(FileTypeCatalogue::ListIconIndex(file.text))) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == SizeColumn ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    case Qt::CheckStateRole:
        return name && m_checkable ? QVariant(m_checked[index.row()] ? Qt::Checked : Qt::Unchecked)
                                   : QVariant();
    case DiskNameRole:
        return name ? QVariant(file.diskName) : QVariant();
    default:
        return {};
    }
}

bool FileListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    // Only the check is the list's own; a name typed over is the rename's to make.
    if (role != Qt::CheckStateRole || !m_checkable || index.column() != NameColumn ||
        !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    m_checked[index.row()] = value.value<Qt::CheckState>() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags FileListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return {};
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
    return m_checkable ? flags | Qt::ItemIsUserCheckable : flags;
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf16(Headers[section].text);
    if (role == Qt::TextAlignmentRole)
        return int(Headers[section].alignment | Qt::AlignVCenter);
    return {};
}

void FileListModel::reset(const QList<ListedFile> &files, bool checkable)
{
    beginResetModel();
    m_files = files;
    m_checked = QList<bool>(files.size(), false);
    m_checkable = checkable;
    endResetModel();
}

void FileListModel::append(const QList<ListedFile> &files)
{
    if (files.isEmpty())
        return;
    beginInsertRows({}, int(m_files.size()), int(m_files.size() + files.size() - 1));
    m_files += files;
    m_checked.resize(m_files.size(), false);
    endInsertRows();
}

void FileListModel::check(const std::function<bool(int row)> &picked)
{
    if (!m_checkable || m_files.isEmpty())
        return;
    for (int row = 0; row < rowCount(); ++row) {
        if (picked(row))
            m_checked[row] = true;
    }
    emit dataChanged(index(0, NameColumn), index(rowCount() - 1, NameColumn), {Qt::CheckStateRole});
}

QString FileListModel::sizeText(qint64 size)
{
    return QString::number(size);
}

QString FileListModel::modifiedText(const QDateTime &modified)
{
    return QLocale().toString(modified.toLocalTime(), QLocale::ShortFormat);
}
