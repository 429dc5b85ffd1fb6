// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QStyledItemDelegate>

// Reports the end of an in-place edit instead of writing it: the rename and a refresh follow.
class RenameDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

signals:
    // Delivered at once, while the edited row still stands where the index points.
    void edited(const QModelIndex &index, const QString &text) const;
};
