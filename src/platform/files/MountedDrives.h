// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The machine's "drives": on Linux, the mount points of real file systems. Everything but answers()
// reads the kernel's mount table alone and never waits on a mount.
class MountedDrives final {
public:
    struct Mount {
        QString root;
        QByteArray type;
    };
    static QList<Mount> table();
    static QStringList roots();
    // The drive a path lies on: the root with the longest matching prefix, or "" when none does.
    static QString rootOf(const QString &path, const QStringList &roots);
    // The mount a path lies on, pseudo file systems included.
    static QString mountOf(const QString &path);
    static QString systemRoot();
    static bool isMounted(const QString &root);
    // Whether the mount at root answers and is a folder. Asks its server: for a worker only.
    static bool answers(const QString &root);
};
