// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/WorkingDirectory.h"

#include "platform/NativeName.h"
#include "platform/SystemReason.h"

#include <QDir>

#if defined(Q_OS_WIN)
#include <qt_windows.h>
#else
#include <cerrno>
#include <climits>
#include <unistd.h>

#include <vector>
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
    // The very bytes of the path: a folder named in Shift_JIS is reached by no re-encoded name.
    const QByteArray native = NativeName::toBytes(path);
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
#if defined(Q_OS_WIN)
    return QDir::currentPath();
#else
    // Every command builds its paths from this: it must give back the bytes entered, as NativeName.
    std::vector<char> buffer(PATH_MAX);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return QDir::currentPath();
        buffer.resize(buffer.size() * 2);
    }
    return NativeName::fromBytes(QByteArray(buffer.data()));
#endif
}
