// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "shell/WindowPlacement.h"

#include <QString>

struct AppState;
class QSettings;

// The thirteen remembered values: read once when the main window loads, written once when it closes.
// Windows side by side share them, the last one closed wins; but the machine settings file's name is
// written only when the window put another in force than it started with.
class PersistedSettings final {
public:
    static WindowPlacement load(QSettings &store, AppState &state);
    static void save(QSettings &store, const WindowPlacement &placement, const AppState &state);
    // Decimal text of a window value: a fractional part only when it has one.
    static QString floatText(float value);
};
