// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "support/TestDir.h"

#include <QProcessEnvironment>

// Where the companion programs lie below a Wine prefix's drive C.
inline const QString OmbrelExe = QStringLiteral("Program Files/Ombrel/Ombrel.exe");
inline const QString QuorrinExe = QStringLiteral("Program Files/Quorrin/Quorrin.exe");
inline const QString LaskarExe = QStringLiteral("Program Files/Laskar/Laskar.exe");

// A fake Wine prefix and a folder of stand-in programs to find the companion programs in.
class FakeTools {
public:
    // PATH holds only the stand-ins, WINEPREFIX is the fake prefix and HOME an empty folder.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("PATH"), m_bin.path());
        environment.insert(QStringLiteral("WINEPREFIX"), m_prefix.path());
        environment.insert(QStringLiteral("HOME"), m_home.path());
        return environment;
    }

    // Each item is a program put on PATH ("wine"), executable or not, or, when it holds a slash, a
    // file put below drive C ("Program Files/Ombrel/Ombrel.exe").
    void install(const QStringList &items, bool executable = true)
    {
        for (const QString &item : items) {
            if (item.contains(QLatin1Char('/'))) {
                m_prefix.addFolder(QStringLiteral("drive_c/") + item.section(QLatin1Char('/'), 0, -2));
                m_prefix.addFile(QStringLiteral("drive_c/") + item, "MZ");
            } else {
                QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
                QFile::setPermissions(m_bin.addFile(item, "#!/bin/sh\nexit 0\n"),
                                      permissions.setFlag(QFile::ExeOwner, executable));
            }
        }
    }
    QString driveC(const QString &path) const { return m_prefix.filePath(QStringLiteral("drive_c/") + path); }
    QString prefix() const { return m_prefix.path(); }

    // A command in the terms it should be started in: the program by its path on PATH, then its
    // arguments, those below drive C by their full paths.
    QStringList expand(QStringList command) const
    {
        for (qsizetype i = 0; i < command.size(); ++i)
            command[i] = i == 0                                  ? m_bin.filePath(command[i])
                         : command[i].contains(QLatin1Char('/')) ? driveC(command[i])
                                                                 : command[i];
        return command;
    }

private:
    TestDir m_prefix, m_bin, m_home;
};
