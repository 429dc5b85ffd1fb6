#pragma once

#include <QString>
#include <QStringList>

// Starts a program as a detached process with one argument per list entry, never through a shell.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    virtual bool start(const QString &program, const QStringList &arguments) = 0;
};
