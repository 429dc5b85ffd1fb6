// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// A test process that mounts shares has a mount namespace of its own, made before main() starts any
// thread: a share it stops is seen by no other process, so tests beside it never wait on it.
class OwnMounts final {
public:
    // Why the process shares the machine's mounts, "" when it has its own.
    static QString failure();
};

// A test needing a share of its own is skipped where the process could get no mounts of its own.
#define QSKIP_WITHOUT_OWN_MOUNTS()                                                                           \
    do {                                                                                                     \
        if (!OwnMounts::failure().isEmpty())                                                                 \
            QSKIP(qPrintable(QStringLiteral("no mount namespace of its own: ") + OwnMounts::failure()));     \
    } while (false)
