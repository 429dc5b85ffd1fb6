// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The machine's "drives": on Linux, the mount points of real, ready file systems.
class MountedDrives final {
public:
    static QStringList roots();
    // The drive a path lies on: the root with the longest matching prefix, or "" when none does.
    static QString rootOf(const QString &path, const QStringList &roots);
    static QString systemRoot();
    static bool isMounted(const QString &root);
};
