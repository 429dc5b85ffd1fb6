// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QtGlobal>

// How a page lies in the printer, as the settings store numbers it; any number but Landscape prints
// upright.
enum class PageOrientation : qint16 { Portrait = 1, Landscape = 2 };
