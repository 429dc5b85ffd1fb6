// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// The two controller families differ in how a program is framed on the line.
enum class ControllerFamily {
    Osp,  // "$" name "%" at the start, "%" at the end
    Fanuc // "%" at the start and at the end
};
