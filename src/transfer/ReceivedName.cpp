#include "transfer/ReceivedName.h"

#include "core/FolderListing.h"
#include "platform/FileProtection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString ReceivedName::pathFor(const QString &folder, const QString &name, QString *why)
{
    auto refuse = [why](const QString &reason) {
        *why = reason;
        return QString();
    };
    if (name.isEmpty())
        return refuse(QStringLiteral("プログラム名がありません。"));
    if (name == QLatin1String(".") || name.contains(QLatin1String("..")) || name.contains(QLatin1Char('/')) ||
        name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':')))
        return refuse(QStringLiteral("プログラム名'%1'は表示中のフォルダーの外を指しています。").arg(name));
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("*?\"<>|").contains(c))
            return refuse(QStringLiteral("プログラム名にファイル名に使えない文字があります。"));
    }
    if (QFile::encodeName(name).size() > 255)
        return refuse(QStringLiteral("プログラム名が255バイトを超えています。"));

    const QString existing = FolderListing::findName(folder, name);
    const QString path = QDir(folder).filePath(existing.isEmpty() ? name : existing);
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return refuse(QStringLiteral("同じ名前のフォルダー'%1'があります。").arg(existing));
    if (info.exists() && FileProtection::isProtected(info))
        return refuse(QStringLiteral("%1は保護されています。").arg(existing));
    return path;
}
