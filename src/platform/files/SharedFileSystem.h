// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// File systems that other computers, or a program of their own, change behind this machine's back:
// network shares and FUSE mounts. The kernel's change notices (inotify) see only what is done through
// this machine's mount, so a folder there must be looked at now and then to follow the rest.
class SharedFileSystem final {
public:
    // Whether folder lies on such a file system. Asks the file system, which on a share means asking
    // its server: it can take as long as the server does, so never call it on the GUI thread.
    static bool holds(const QString &folder);
};
