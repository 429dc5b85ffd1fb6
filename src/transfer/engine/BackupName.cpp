// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/BackupName.h"

#include "core/FolderNames.h"

namespace {

template <typename Candidate> QString firstFreeOf(const FolderNames &names, Candidate candidate)
{
    for (int number = 1;; ++number) {
        const QString name = candidate(number > 1 ? QString::number(number) : QString());
        if (names.find(name).isEmpty())
            return name;
    }
}

} // namespace

QString BackupName::firstFree(const QString &name, const FolderNames &names)
{
    return firstFreeOf(names,
                       [&name](const QString &number) { return name + QStringLiteral(".BAK") + number; });
}

QString BackupName::forReceived(const QString &name, const FolderNames &names)
{
    return firstFreeOf(names,
                       [&name](const QString &number) { return QStringLiteral("受信") + number + name; });
}
