// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// Where the program's own files are, seen from the folder of the executable. In the build tree and in
// a portable copy everything sits beside the program; installed, helper programs live in libexec and
// shipped data in share, at the places the build was configured for.
class InstallLayout final {
public:
    // The helper program of that name: beside the program when there, else where it is installed.
    static QString helperProgram(const QString &programFolder, const QString &name);
    // The installed program's shared data (the default settings files); empty when the program does
    // not run from an installation.
    static QString installedDataFolder(const QString &programFolder);
};
