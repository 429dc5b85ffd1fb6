// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/BackupName.h"

#include <QSet>

QString BackupName::firstFree(const QString &name, const QStringList &names)
{
    QSet<QString> taken;
    for (const QString &existing : names)
        taken.insert(existing.toCaseFolded());
    for (int number = 1;; ++number) {
        const QString backup =
            name + QStringLiteral(".BAK") + (number > 1 ? QString::number(number) : QString());
        if (!taken.contains(backup.toCaseFolded()))
            return backup;
    }
}
