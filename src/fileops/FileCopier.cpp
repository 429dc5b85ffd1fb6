// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/FileCopier.h"

#include "platform/NativeFile.h"
#include "platform/SystemReason.h"

#include <QTemporaryFile>

#include <cerrno>

FileCopier::FileCopier(const QString &source)
{
    const std::optional<NativeFile::Status> status = NativeFile::status(source);
    const QString why = NativeFile::open(m_source, source, QIODevice::ReadOnly);
    if (!why.isEmpty() || !status) {
        fail(why.isEmpty() ? SystemReason::of(ENOENT) : why);
        return;
    }
    m_modified = status->modified;
    m_permissions = status->permissions;
}

bool FileCopier::copyTo(const QString &target, const std::function<bool()> &mayReplace)
{
    if (!m_source.isOpen())
        return false;
    m_failure.clear();
    // Written under a hidden name of its own beside the target and renamed when whole, so a copy cut
    // short never stands under the target's name. Unfinished, it removes itself.
    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    QTemporaryFile copy(NativeFile::join(slash < 0 ? QStringLiteral(".") : target.left(slash),
                                         QStringLiteral(".talvern-copy-XXXXXX")));
    if (!copy.open() || !m_source.seek(0))
        return fail(SystemReason::of(copy.isOpen() ? m_source : copy));
    char block[64 * 1024];
    for (;;) {
        const qint64 read = m_source.read(block, sizeof block);
        if (read < 0)
            return fail(SystemReason::of(m_source));
        if (read == 0)
            break;
        if (copy.write(block, read) != read)
            return fail(SystemReason::of(copy));
    }
    // Written out before the time is set, or the last write would stamp the time of the copy.
    if (!copy.flush() || !copy.setPermissions(m_permissions) ||
        !copy.setFileTime(m_modified, QFileDevice::FileModificationTime))
        return fail(SystemReason::of(copy));
    if (mayReplace && !mayReplace())
        return fail(QString());
    const QString why = NativeFile::rename(copy.fileName(), target);
    if (!why.isEmpty())
        return fail(why);
    copy.setAutoRemove(false);
    return true;
}

bool FileCopier::fail(const QString &why)
{
    m_failure = why;
    return false;
}
