// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Decodes file bytes for display only: valid UTF-8 as UTF-8, anything else as Shift_JIS (CP932),
// the code page of the shop-floor PCs these programs come from. The bytes themselves never change.
class DisplayText final {
public:
    static QString decode(const QByteArray &bytes);
    // The first bytes of a longer file, to its last line end; a file of one long line to its last
    // whole character, so no character of UTF-8 or Shift_JIS is cut in two.
    static QString decodeBeginning(const QByteArray &beginning);
};
