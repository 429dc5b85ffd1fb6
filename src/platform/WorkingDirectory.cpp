// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/WorkingDirectory.h"

#include "platform/SystemReason.h"

#include <QDir>
#include <QFileInfo>

#if defined(Q_OS_WIN)
#include <qt_windows.h>
#else
#include <cerrno>
#include <unistd.h>
#endif

WorkingDirectory::Result WorkingDirectory::enter(const QString &path)
{
    Result result;
#if defined(Q_OS_WIN)
    if (!SetCurrentDirectoryW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()))) {
        const DWORD error = GetLastError();
        result.failure = error == ERROR_ACCESS_DENIED ? Failure::AccessDenied : Failure::NotReady;
        result.description = qt_error_string(int(error));
    }
#else
    const QByteArray native = QFile::encodeName(path);
    if (path.isEmpty() || ::chdir(native.constData()) != 0) {
        const int error = path.isEmpty() ? ENOENT : errno;
        result.failure = error == EACCES || error == EPERM ? Failure::AccessDenied : Failure::NotReady;
        result.description = SystemReason::of(error);
    }
#endif
    return result;
}

QString WorkingDirectory::current()
{
    return QDir::currentPath();
}
