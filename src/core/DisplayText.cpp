#include "core/DisplayText.h"

#include <QStringDecoder>

QString DisplayText::decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder shiftJis("Shift_JIS");
    if (shiftJis.isValid())
        return shiftJis.decode(bytes);
    return QString::fromLatin1(bytes);
}
