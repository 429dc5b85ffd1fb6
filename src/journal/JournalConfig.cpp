// SPDX-License-Identifier: GPL-2.0-or-later
#include "journal/JournalConfig.h"

#include <QSettings>
#include <QStandardPaths>

JournalConfig JournalConfig::load(QSettings &store)
{
    JournalConfig config;
    config.server = store.value(QStringLiteral("Journal/Server")).toString().trimmed();
    // Beside the machine settings folder (~/.local/share/Talvern), whatever the application's names.
    config.sqlitePath = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                        QStringLiteral("/Talvern/journal.sqlite");
    return config;
}
