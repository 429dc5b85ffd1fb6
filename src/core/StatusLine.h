// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QString;

// Where the machine settings in force are shown: the status bar's settings panel.
class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void setSettingsText(const QString &text) = 0;
};
