// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FolderIndentDelegate.h"

namespace {
constexpr int StepPixels = 10;
}

int FolderIndentDelegate::indent(const QModelIndex &index)
{
    return index.data(DepthRole).toInt() * StepPixels;
}

void FolderIndentDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    QStyleOptionViewItem shifted(option);
    shifted.rect.setLeft(option.rect.left() + indent(index));
    QStyledItemDelegate::paint(painter, shifted, index);
}

QSize FolderIndentDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
}
