// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QList>
#include <QString>

// The files the last Copy took, every marked one, and the folder they were in. Paste reads it as often
// as it likes; only the next Copy replaces it. It lives as long as the window and is never saved. No
// cap: a paste costs the same for each file and can be cancelled (README, "File commands").
struct CopyBuffer {
    struct Entry {
        QString text;     // as listed, upper case: what messages name
        QString diskName; // what is copied
    };
    QList<Entry> entries;
    QString sourceFolder;
};
