// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

#include <functional>

class FolderHandle;

// Copies one file whole or not at all: the copy is written beside the target and takes the target's
// name only when complete, with the source's modification time and protection.
class FileCopier final {
public:
    // Opens the source at once, so a source that has gone is known before anyone is asked anything.
    // The path may hold a name that is not UTF-8 (NativeName).
    explicit FileCopier(const QString &source);

    // Copies into folder under name. keepGoing, asked between the pieces of a large file, and
    // mayReplace, asked right before the copy takes the name, may still call it off: false with no
    // failure, and nothing of the copy is left.
    bool copyTo(const FolderHandle &folder, const QString &name, const std::function<bool()> &mayReplace = {},
                const std::function<bool()> &keepGoing = {});
    // Why the source cannot be read or the last copy failed; "" when all is well or it was called off.
    QString failure() const { return m_failure; }

private:
    bool fail(const QString &why);

    QFile m_source;
    QDateTime m_modified;
    QFile::Permissions m_permissions;
    QString m_failure;
};
