// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// What a Windows file system accepts as the name of a file or folder, and what the list can show:
// one rule set for renaming files and for naming folders.
class FileNameRules final {
public:
    enum class Fault { None, Empty, ForbiddenCharacter, LeadingDot, TrailingDotOrBlank, TooLong };

    static Fault check(const QString &name);
    static bool isAcceptable(const QString &name) { return check(name) == Fault::None; }
};
