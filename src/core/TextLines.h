// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Text as any editor leaves it: CR LF, a lone CR and a lone LF each end one line.
class TextLines final {
public:
    // One piece more than there are line ends: text that ends in a line end ends in an empty piece.
    static QStringList split(const QString &text);
};
