// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/PageOrientation.h"

#include <QString>
#include <QtGlobal>

// Options of printed listings; remembered between runs. A stored number with no name here is kept and
// written back as it was read.
struct PrintOptions {
    enum class Columns : qint16 { One = 1, Two = 2 }; // anything but Two prints one column
    enum class HeaderDate : qint16 { None = 0, Printed = 1, Modified = 2 }; // any other number: no date

    QString PrintFontName = QStringLiteral("ＭＳ 明朝");
    qint32 PrintFontSize = 11;
    PageOrientation PrinterOrientation = PageOrientation::Portrait;
    qint32 LeftMerge = 10; // millimetres
    qint32 RightMerge = 0; // millimetres
    Columns PrintLineNo = Columns::One;
    HeaderDate PrintDate = HeaderDate::Modified;
};
