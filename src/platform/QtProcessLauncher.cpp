#include "platform/QtProcessLauncher.h"

#include <QDir>
#include <QProcess>

bool QtProcessLauncher::start(const QString &program, const QStringList &arguments)
{
    // The tool inherits the working directory, which is always the folder shown.
    return QProcess::startDetached(program, arguments, QDir::currentPath());
}
