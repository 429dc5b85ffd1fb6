// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// Whether this process may open a device for reading and writing and, when it may not, which group
// would let it: serial devices usually belong to a group (dialout on Debian) whose members may use them.
struct DeviceAccess {
    enum class Verdict {
        Allowed,    // the rights are there: a refusal came from something else (the device is in use)
        JoinGroup,  // the user is not in the group that may use the device
        LogInAgain, // the user was added to that group after this session began
        Refused,    // no group grants it
    };

    static DeviceAccess of(const QString &device);

    Verdict verdict = Verdict::Allowed;
    QString group; // the device's group
};
