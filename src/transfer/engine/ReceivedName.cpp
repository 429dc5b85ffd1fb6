// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/ReceivedName.h"

#include "core/FolderNames.h"
#include "platform/files/FileProtection.h"
#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"

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

QString ReceivedName::pathFor(const QString &folder, const QString &name, FolderNames &names, QString *why)
{
    auto refuse = [why](const QString &reason) {
        *why = reason;
        return QString();
    };
    if (const QString refused = refusal(name); !refused.isEmpty())
        return refuse(refused);

    // The name itself when it is there, whatever names holds; else a twin that still is. The existing
    // file may carry a name that is not UTF-8: it is reached by its bytes.
    QString existing = name;
    QString path = NativeFile::join(folder, name);
    std::optional<NativeFile::Status> status = NativeFile::status(path);
    while (!status) {
        names.remove(existing);
        existing = names.find(name);
        if (existing.isEmpty())
            return NativeFile::join(folder, name);
        path = NativeFile::join(folder, existing);
        status = NativeFile::status(path);
    }
    names.add(existing);
    if (!status->isFile)
        return refuse(
            QStringLiteral("同じ名前のフォルダー'%1'があります。").arg(NativeName::shown(existing)));
    if (FileProtection::isProtected(status->permissions))
        return refuse(QStringLiteral("%1は保護されています。").arg(NativeName::shown(existing)));
    return path;
}

QString ReceivedName::tooLong()
{
    return QStringLiteral("プログラム名が%1バイトを超えています。").arg(MaxNameBytes);
}
