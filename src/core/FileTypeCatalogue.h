// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// Classifies a file by the last three characters of its (upper-case) name; it never opens the file.
class FileTypeCatalogue final {
public:
    enum Icon { GeneralFile = 1, Workbook = 2, Document = 3, Picture = 4 };

    static QString key(const QString &fileName);
    static bool IsTextFile(const QString &fileName);
    static bool IsImageFile(const QString &fileName);
    static QString TypeDescription(const QString &fileName);
    static int ListIconIndex(const QString &fileName);
};
