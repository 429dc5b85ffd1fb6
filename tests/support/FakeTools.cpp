#include "support/FakeTools.h"

#include <QFile>

QProcessEnvironment FakeTools::environment() const
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), m_bin.path());
    environment.insert(QStringLiteral("WINEPREFIX"), m_prefix.path());
    environment.insert(QStringLiteral("HOME"), m_home.path());
    return environment;
}

void FakeTools::install(const QStringList &items, bool executable)
{
    for (const QString &item : items) {
        if (item.contains(QLatin1Char('/'))) {
            m_prefix.addFolder(QStringLiteral("drive_c/") + item.section(QLatin1Char('/'), 0, -2));
            m_prefix.addFile(QStringLiteral("drive_c/") + item, QByteArray("MZ"));
            continue;
        }
        const QString path = m_bin.addFile(item, QByteArray("#!/bin/sh\nexit 0\n"));
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
        if (executable)
            permissions |= QFile::ExeOwner;
        QFile::setPermissions(path, permissions);
    }
}

QStringList FakeTools::expand(QStringList command) const
{
    if (!command.isEmpty())
        command[0] = m_bin.filePath(command[0]);
    for (qsizetype i = 1; i < command.size(); ++i) {
        if (command[i].contains(QLatin1Char('/')))
            command[i] = driveC(command[i]);
    }
    return command;
}
