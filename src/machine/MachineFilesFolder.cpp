// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/MachineFilesFolder.h"

#include "core/FolderListing.h"
#include "platform/system/InstallLayout.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

namespace {

// Tried rather than asked: the permission bits do not tell what the rights in force allow.
bool writable(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".talvern-XXXXXX")));
    return probe.open();
}

} // namespace

QString MachineFilesFolder::prepare(const QString &programFolder, const QString &userFolder)
{
    const QString installed = InstallLayout::installedDataFolder(programFolder);
    if (installed.isEmpty() && writable(programFolder))
        return programFolder;
    if (QDir().mkpath(userFolder))
        seed(installed.isEmpty() ? programFolder : installed, userFolder);
    return userFolder;
}

void MachineFilesFolder::seed(const QString &defaults, const QString &userFolder)
{
    const QStringList shipped =
        QDir(defaults).entryList({QStringLiteral("*.mch")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString &name : shipped) {
        // The same name in any case is the user's own file of that machine.
        if (!FolderListing::findName(userFolder, name).isEmpty())
            continue;
        const QString copy = QDir(userFolder).filePath(name);
        // Installed files are read-only for the user; the copy is the user's to edit.
        if (QFile::copy(QDir(defaults).filePath(name), copy))
            QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ReadOwner | QFile::WriteOwner);
    }
}
