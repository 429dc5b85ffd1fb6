// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QStyledItemDelegate>

// Indents each folder entry by its depth, so the open folder's ancestry reads as a path.
class FolderIndentDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int DepthRole = Qt::UserRole + 1;
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    static int indent(const QModelIndex &index);
};
