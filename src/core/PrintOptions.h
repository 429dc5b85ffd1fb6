// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// Options of printed listings; remembered between runs.
struct PrintOptions {
    QString PrintFontName = QStringLiteral("ＭＳ 明朝");
    qint32 PrintFontSize = 11;
    qint16 PrinterOrientation = 1; // 1 portrait, 2 landscape
    qint32 LeftMerge = 10;         // millimetres
    qint32 RightMerge = 0;         // millimetres
    qint16 PrintLineNo = 1;        // text columns on a page
    qint16 PrintDate = 2;          // 0 none, 1 print date, 2 file date
};
