// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/system/InstallLayout.h"

#include <QDir>
#include <QFileInfo>

QString InstallLayout::helperProgram(const QString &programFolder, const QString &name)
{
#if defined(Q_OS_WIN)
    const QString file = name + QStringLiteral(".exe");
#else
    const QString file = name;
#endif
    const QString beside = QDir(programFolder).filePath(file);
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral(TALVERN_HELPER_DIR "/") + file));
}

QString InstallLayout::installedDataFolder(const QString &programFolder)
{
    const QString folder = QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral(TALVERN_DATA_DIR)));
    return QFileInfo(folder).isDir() ? folder : QString();
}
