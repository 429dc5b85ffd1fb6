#pragma once

#include "support/TestDir.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Where the companion programs lie below a Wine prefix's drive C.
inline const QString OmbrelExe = QStringLiteral("Program Files/Ombrel/Ombrel.exe");
inline const QString QuorrinExe = QStringLiteral("Program Files/Quorrin/Quorrin.exe");
inline const QString LaskarExe = QStringLiteral("Program Files/Laskar/Laskar.exe");

// A fake Wine prefix and a folder of stand-in programs to find the companion programs in.
class FakeTools {
public:
    // PATH holds only the stand-ins, WINEPREFIX is the fake prefix and HOME an empty folder.
    QProcessEnvironment environment() const;

    // Each item is a program put on PATH ("wine", "gedit"), executable or not, or, when it holds a slash,
    // a file put below drive C ("Program Files/Ombrel/Ombrel.exe").
    void install(const QStringList &items, bool executable = true);
    QString driveC(const QString &path) const { return m_prefix.filePath(QStringLiteral("drive_c/") + path); }
    // A command in the same terms as it should be started: the program by its path on PATH, then its
    // arguments, those below drive C by their full paths.
    QStringList expand(QStringList command) const;

    QString prefix() const { return m_prefix.path(); }

private:
    TestDir m_prefix;
    TestDir m_bin;
    TestDir m_home;
};
