// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

#include <functional>

// Copies one file whole or not at all: the copy is written beside the target and takes the target's
// name only when complete, with the source's modification time and protection.
class FileCopier final {
public:
    // Opens the source at once, so a source that has gone is known before anyone is asked anything.
    // Both paths may hold names that are not UTF-8 (NativeName).
    explicit FileCopier(const QString &source);

    // mayReplace, asked right before the copy takes the target's name, may still call it off: false
    // with no failure.
    bool copyTo(const QString &target, const std::function<bool()> &mayReplace = {});
    // Why the source cannot be read or the last copy failed; "" when all is well or it was called off.
    QString failure() const { return m_failure; }

private:
    bool fail(const QString &why);

    QFile m_source;
    QDateTime m_modified;
    QFile::Permissions m_permissions;
    QString m_failure;
};
