// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QString;

// Where operations report progress and results, one line each: the log pane in the window.
class Log {
public:
    virtual ~Log() = default;
    virtual void addLine(const QString &line) = 0;
    virtual void clear() = 0;
};
