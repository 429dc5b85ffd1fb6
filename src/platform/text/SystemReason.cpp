// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/text/SystemReason.h"

#include <QCoreApplication>
#include <QFileDevice>

#include <cerrno>

namespace {

constexpr struct {
    int number;
    const char16_t *reason;
} Reasons[] = {
    {ENOSPC, u"ディスクの空き容量が不足しています。"},
#if defined(EDQUOT)
    {EDQUOT, u"ディスクの使用量が割り当てを超えています。"},
#endif
    {EACCES, u"アクセスが拒否されました。"},
    {EPERM, u"この操作は許可されていません。"},
    {EROFS, u"ドライブが読み取り専用です。"},
    {ENOENT, u"ファイルまたはフォルダーが見つかりません。"},
    {ENAMETOOLONG, u"ファイル名が長すぎます。"},
    {ENODEV, u"デバイスが見つかりません。"},
    {ENXIO, u"デバイスが接続されていません。"},
    {EIO, u"デバイスの入出力エラーです。"},
    {EFBIG, u"ファイルが大きすぎます。"},
    {EMFILE, u"開いているファイルが多すぎます。"},
    {ENFILE, u"開いているファイルが多すぎます。"},
    {EISDIR, u"ファイルではなくフォルダーです。"},
    {ENOTDIR, u"フォルダーではありません。"},
    {ENOTEMPTY, u"フォルダーが空ではありません。"},
    {EEXIST, u"同じ名前のファイルまたはフォルダーが既にあります。"},
    {EXDEV, u"別のドライブへは移動できません。"},
    {ELOOP, u"リンクの参照が深すぎます。"},
    {EBUSY, u"デバイスまたはファイルが使用中です。"},
    {ETXTBSY, u"ファイルが使用中です。"},
    {EAGAIN, u"デバイスが一時的に使用できません。"},
    {ETIMEDOUT, u"時間内に応答がありませんでした。"},
    {ECONNREFUSED, u"接続が拒否されました。"},
    {ECONNRESET, u"接続が切断されました。"},
    {EPIPE, u"接続が切断されました。"},
    {ENOTCONN, u"接続が切れています。"},
    {ESTALE, u"共有先でファイルが無くなりました。"},
    {EHOSTUNREACH, u"接続先に届きません。"},
    {ENETUNREACH, u"接続先に届きません。"},
    {ENOTTY, u"デバイスがこの操作に対応していません。"},
    {EOPNOTSUPP, u"この操作には対応していません。"},
    {EINVAL, u"指定が正しくありません。"},
    {ENOMEM, u"メモリが不足しています。"},
};

// On Windows Qt's texts come from the system's own numbers, which are not these.
int numberOf(const QString &text)
{
#if defined(Q_OS_UNIX)
    constexpr int HighestNumber = 200; // beyond any number the C library uses
    for (int number = 1; number <= HighestNumber && !text.isEmpty(); ++number) {
        if (qt_error_string(number) == text)
            return number;
    }
#else
    Q_UNUSED(text);
#endif
    return 0;
}

} // namespace

QString SystemReason::of(int errorNumber)
{
    for (const auto &known : Reasons) {
        if (known.number == errorNumber)
            return QString::fromUtf16(known.reason);
    }
    return QStringLiteral("システムエラーが発生しました(エラー番号 %1)。").arg(errorNumber);
}

QString SystemReason::ofText(const QString &systemText)
{
    const int number = numberOf(systemText);
    return number == 0 ? QString() : of(number);
}

QString SystemReason::of(const QFileDevice &file)
{
    const int lastError = errno; // first, before anything can overwrite it
    const QString text = file.errorString();
    if (const int number = numberOf(text))
        return of(number);
    // A write that stopped short sets no error in Qt, whose flush then has nothing better than this.
    if (text == QCoreApplication::translate("QIODevice", "Unknown error") && lastError != 0)
        return of(lastError);
    if (text == QCoreApplication::translate("QIODevice", "file to open is a directory"))
        return of(EISDIR);
#if defined(Q_OS_WIN)
    // Windows describes its failures in its own language.
    if (!text.isEmpty())
        return text;
#endif
    switch (file.error()) {
    case QFileDevice::ReadError:
        return QStringLiteral("ファイルを読み込めません。");
    case QFileDevice::OpenError:
        return QStringLiteral("ファイルを開けません。");
    case QFileDevice::ResourceError:
        return of(ENOSPC);
    default:
        return QStringLiteral("ファイルに書き込めません。");
    }
}
