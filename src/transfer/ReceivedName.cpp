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
        return refuse(QStringLiteral("The program has no name."));
    if (name == QLatin1String(".") || name.contains(QLatin1String("..")) || name.contains(QLatin1Char('/')) ||
        name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':')))
        return refuse(QStringLiteral("The name \"%1\" would leave the folder shown.").arg(name));
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("*?\"<>|").contains(c))
            return refuse(QStringLiteral("The name holds a character a file name cannot take."));
    }
    if (QFile::encodeName(name).size() > 255)
        return refuse(QStringLiteral("The name is longer than 255 bytes."));

    const QString existing = FolderListing::findName(folder, name);
    const QString path = QDir(folder).filePath(existing.isEmpty() ? name : existing);
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return refuse(QStringLiteral("\"%1\" is a folder, not a file.").arg(existing));
    if (info.exists() && FileProtection::isProtected(info))
        return refuse(QStringLiteral("%1は保護されています。").arg(existing));
    return path;
}
