// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListRow.h"

#include "browser/FileListView.h"
#include "core/FileTypeCatalogue.h"

#include <QLocale>

FileListRow::FileListRow(const ListedFile &file, const QIcon &icon)
    : QTreeWidgetItem(UserType), m_file(file), m_icon(icon)
{
}

QString FileListRow::columnText(int column) const
{
    switch (column) {
    case FileListView::NameColumn:
        return m_file.text;
    case FileListView::SizeColumn:
        return sizeText(m_file.size);
    case FileListView::ModifiedColumn:
        return modifiedText(m_file.modified);
    case FileListView::TypeColumn:
        return FileTypeCatalogue::TypeDescription(m_file.text);
    case FileListView::ProtectedColumn:
        return m_file.isProtected ? QStringLiteral("保護") : QString();
    default:
        return {};
    }
}

QString FileListRow::sizeText(qint64 size)
{
    return QString::number(size);
}

QString FileListRow::modifiedText(const QDateTime &modified)
{
    return QLocale().toString(modified.toLocalTime(), QLocale::ShortFormat);
}

QVariant FileListRow::data(int column, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return columnText(column);
    case Qt::DecorationRole:
        return column == FileListView::NameColumn ? QVariant(m_icon) : QVariant();
    case Qt::TextAlignmentRole:
        return column == FileListView::SizeColumn ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
                                                  : QVariant();
    case FileListView::DiskNameRole:
        return column == FileListView::NameColumn ? QVariant(m_file.diskName) : QVariant();
    default:
        return QTreeWidgetItem::data(column, role);
    }
}
