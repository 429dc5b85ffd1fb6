// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// The folder of the machine settings files (.mch). A build or a portable copy keeps them beside the
// program, as long as that folder is writable. An installed program, or one in a folder the user may
// not write, keeps them in the user's own folder, where the shipped defaults are copied whenever a
// file of their name is missing; a file the user already has is never replaced.
class MachineFilesFolder final {
public:
    // userFolder is created when needed; the folder chosen is returned even when it could not be
    // prepared, so that loading a file from it reports why.
    static QString prepare(const QString &programFolder, const QString &userFolder);

private:
    static void seed(const QString &defaults, const QString &userFolder);
};
