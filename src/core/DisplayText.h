#pragma once

#include <QByteArray>
#include <QString>

// Decodes file bytes for display only: valid UTF-8 as UTF-8, anything else as Shift_JIS (CP932),
// the code page of the shop-floor PCs these programs come from. The bytes themselves never change.
class DisplayText final {
public:
    static QString decode(const QByteArray &bytes);
};
