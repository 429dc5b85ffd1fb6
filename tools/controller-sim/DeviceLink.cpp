// SPDX-License-Identifier: GPL-2.0-or-later
#include "DeviceLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <system_error>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace fs = std::filesystem;

bool DeviceLink::make(const QString &path, const QString &target)
{
    remove();
    const fs::path link = QFileInfo(path).filesystemAbsoluteFilePath();
    const QString shown = QFileInfo(path).absoluteFilePath();
    std::error_code error;
    const fs::file_status status = fs::symlink_status(link, error);
    if (fs::exists(status) && !fs::is_symlink(status)) {
        m_errorString = QStringLiteral("%1 is not a link and is left as it is; choose another path with "
                                       "--link PATH, or none with --link \"\"")
                            .arg(shown);
        return false;
    }
    // Made aside and renamed over the old link, so the path never names a half-made one.
    fs::path fresh = link;
    fresh += ".new" + std::to_string(QCoreApplication::applicationPid());
    fs::remove(fresh, error);
    const fs::path device = QFileInfo(target).filesystemFilePath();
    fs::create_symlink(device, fresh, error);
    if (!error)
        fs::rename(fresh, link, error);
    if (error) {
        std::error_code ignored;
        fs::remove(fresh, ignored);
        m_errorString = QStringLiteral("cannot make the link %1: %2")
                            .arg(shown, QString::fromLocal8Bit(error.message().c_str()));
        return false;
    }
    m_link = link;
    m_target = device;
    return true;
}

void DeviceLink::remove()
{
    if (m_link.empty())
        return;
    std::error_code error;
    if (fs::read_symlink(m_link, error) == m_target && !error)
        fs::remove(m_link, error);
    m_link.clear();
}

QString DeviceLink::path() const
{
    return QString::fromStdString(m_link.string());
}

QString DeviceLink::defaultPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/talvern-sim");
#if defined(Q_OS_UNIX)
    return QStringLiteral("/tmp/talvern-sim-%1").arg(::getuid());
#else
    return QDir::tempPath() + QStringLiteral("/talvern-sim");
#endif
}
