// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ListenSettings.h"

#include "core/FolderListing.h"
#include "platform/files/NativeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace {

// A word the control's keyboard can type and a comment can hold.
QString word(const QSettings &file, const QString &key, const QString &fallback)
{
    const QString value = file.value(key).toString().trimmed();
    const bool plain = !value.isEmpty() && std::all_of(value.cbegin(), value.cend(), [](QChar c) {
        return c.unicode() < 0x80 && c.isLetterOrNumber();
    });
    return plain ? value : fallback;
}

int number(const QSettings &file, const QString &key, int fallback, int least, int most)
{
    bool ok = false;
    const int value = file.value(key).toString().trimmed().toInt(&ok);
    return ok ? std::clamp(value, least, most) : fallback;
}

} // namespace

QString ListenSettings::fileFor(const QString &settingsFolder, const QString &mchFileName)
{
    const QString bare = QFileInfo(mchFileName).fileName(); // a path in the setting stays in the folder
    if (bare.isEmpty() || settingsFolder.isEmpty())
        return {};
    const qsizetype dot = bare.lastIndexOf(QLatin1Char('.'));
    const QString name = (dot > 0 ? bare.left(dot) : bare) + QStringLiteral(".LSN");
    const QString onDisk = FolderListing::findName(settingsFolder, name);
    return NativeFile::join(settingsFolder, onDisk.isEmpty() ? name : onDisk);
}

ListenSettings ListenSettings::load(const QString &settingsFolder, const QString &mchFileName)
{
    ListenSettings settings;
    const QString path = fileFor(settingsFolder, mchFileName);
    if (path.isEmpty())
        return settings;
    const bool missing = !NativeFile::status(path);
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("Listen"));
    if (missing) {
        file.setValue(QStringLiteral("SendWord"), settings.SendWord);
        file.setValue(QStringLiteral("ListWord"), settings.ListWord);
        file.setValue(QStringLiteral("Folder"), settings.Folder);
        file.setValue(QStringLiteral("Dc1WaitSeconds"), settings.Dc1WaitSeconds);
        file.setValue(QStringLiteral("Backups"), settings.Backups);
        file.sync();
        return settings;
    }
    const ListenSettings defaults;
    settings.SendWord = word(file, QStringLiteral("SendWord"), defaults.SendWord);
    settings.ListWord = word(file, QStringLiteral("ListWord"), defaults.ListWord);
    // One word for both would make every list a send, or the other way round.
    if (settings.SendWord.compare(settings.ListWord, Qt::CaseInsensitive) == 0) {
        settings.SendWord = defaults.SendWord;
        settings.ListWord = defaults.ListWord;
    }
    settings.Folder = file.value(QStringLiteral("Folder")).toString().trimmed();
    // A relative folder is the shop's, beside its settings: never where the program happened to start.
    if (!settings.Folder.isEmpty() && QDir::isRelativePath(settings.Folder))
        settings.Folder = QDir(settingsFolder).filePath(settings.Folder);
    settings.Dc1WaitSeconds =
        number(file, QStringLiteral("Dc1WaitSeconds"), defaults.Dc1WaitSeconds, 5, 3600);
    settings.Backups = number(file, QStringLiteral("Backups"), defaults.Backups, 0, 99);
    return settings;
}
