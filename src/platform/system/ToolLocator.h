// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Where the companion programs are and how to start them here. They live at fixed Windows paths;
// elsewhere those paths are looked up in the Wine prefix, and Notepad, Excel and Word have
// stand-ins found on the search path.
class ToolLocator final {
public:
    // A program and the arguments that go before the file; empty when there is nothing to start, and
    // then `missing` says, for the operator, where it was looked for.
    struct Command {
        QString program;
        QStringList arguments;
        QString missing;
        bool isEmpty() const { return program.isEmpty(); }
    };

    // The environment decides where to look (PATH, WINEPREFIX, HOME), so a test can build its own.
    explicit ToolLocator(const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

    // The one existence test made before a start: it picks Ombrel or Notepad for a double-click.
    bool ombrelExists() const;
    Command ombrel() const;
    Command quorrin() const;
    Command laskar() const;
    Command notepad() const; // a text editor, else the desktop's opener
    Command excel() const;   // empty when no copy is installed
    Command word() const;    // likewise
    // A system-information program where the platform registers none; empty when there is none.
    Command systemInformation() const;

private:
    Command windowsProgram(const QString &path) const;
    Command office(const QString &exe, const QString &libreOfficeSwitch,
                   const QString &libreOfficeLauncher) const;
#if !defined(Q_OS_WIN)
    QString findOnPath(const QString &name) const;
    // names ends in its particle: "wineが", "AもBも".
    QString notOnPath(const QString &names) const;

    QString m_driveC;
    QStringList m_searchPath;
#endif
};
