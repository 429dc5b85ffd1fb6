// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// The process's working directory, with the reason when it cannot be entered. Paths are NativeName
// strings: a folder whose name is not UTF-8 is entered and given back byte for byte.
class WorkingDirectory final {
public:
    enum class Failure { None, AccessDenied, NotReady };

    struct Result {
        Failure failure = Failure::None;
        QString description; // the platform's own words for the failure
        bool ok() const { return failure == Failure::None; }
    };

    static Result enter(const QString &path);
    static QString current();
};
