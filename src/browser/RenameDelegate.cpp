// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/RenameDelegate.h"

#include <QLineEdit>

void RenameDelegate::setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const
{
    if (auto *line = qobject_cast<QLineEdit *>(editor))
        emit edited(index, line->text());
}
