#include "fileops/FileCopier.h"

#include "platform/NativeFile.h"

#include <QTemporaryFile>

FileCopier::FileCopier(const QString &source)
{
    const std::optional<NativeFile::Status> status = NativeFile::status(source);
    const QString why = NativeFile::open(m_source, source, QIODevice::ReadOnly);
    if (!why.isEmpty() || !status) {
        fail(why.isEmpty() ? m_source.errorString() : why);
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
        return fail(copy.isOpen() ? m_source.errorString() : copy.errorString());
    char block[64 * 1024];
    for (;;) {
        const qint64 read = m_source.read(block, sizeof block);
        if (read < 0)
            return fail(m_source.errorString());
        if (read == 0)
            break;
        if (copy.write(block, read) != read)
            return fail(copy.errorString());
    }
    // Written out before the time is set, or the last write would stamp the time of the copy.
    if (!copy.flush() || !copy.setPermissions(m_permissions) ||
        !copy.setFileTime(m_modified, QFileDevice::FileModificationTime))
        return fail(copy.errorString());
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
