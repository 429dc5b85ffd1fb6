// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Maps the Japanese Windows font names the program asks for onto installed Japanese fonts.
class FontSubstitutes final {
public:
    static void install();
};
