// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/ReceivedName.h"

#include "core/FolderListing.h"
#include "platform/FileProtection.h"
#include "platform/NativeFile.h"
#include "platform/NativeName.h"

#include <QFile>

QString ReceivedName::refusal(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("プログラム名がありません。");
    if (name == QLatin1String(".") || name.contains(QLatin1String("..")) || name.contains(QLatin1Char('/')) ||
        name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':')))
        return QStringLiteral("プログラム名'%1'は表示中のフォルダーの外を指しています。").arg(name);
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("*?\"<>|").contains(c))
            return QStringLiteral("プログラム名にファイル名に使えない文字があります。");
    }
    if (QFile::encodeName(name).size() > MaxNameBytes)
        return tooLong();
    return {};
}

QString ReceivedName::pathFor(const QString &folder, const QString &name, QString *why)
{
    auto refuse = [why](const QString &reason) {
        *why = reason;
        return QString();
    };
    if (const QString refused = refusal(name); !refused.isEmpty())
        return refuse(refused);

    // The existing file may carry a name that is not UTF-8: it is reached by its bytes.
    const QString existing = FolderListing::findName(folder, name);
    const QString path = NativeFile::join(folder, existing.isEmpty() ? name : existing);
    const std::optional<NativeFile::Status> status = NativeFile::status(path);
    if (status && !status->isFile)
        return refuse(
            QStringLiteral("同じ名前のフォルダー'%1'があります。").arg(NativeName::shown(existing)));
    if (status && FileProtection::isProtected(status->permissions))
        return refuse(QStringLiteral("%1は保護されています。").arg(NativeName::shown(existing)));
    return path;
}

QString ReceivedName::tooLong()
{
    return QStringLiteral("プログラム名が%1バイトを超えています。").arg(MaxNameBytes);
}
