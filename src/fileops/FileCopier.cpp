#include "fileops/FileCopier.h"

#include "platform/FileProtection.h"

#include <QFileInfo>
#include <QSaveFile>

FileCopier::FileCopier(const QString &source) : m_source(source)
{
    const QFileInfo info(source);
    if (!m_source.open(QIODevice::ReadOnly))
        fail(m_source.errorString());
    m_modified = info.lastModified();
    m_permissions = FileProtection::modeBits(info);
}

bool FileCopier::copyTo(const QString &target)
{
    if (!m_source.isOpen())
        return false;
    m_failure.clear();
    QSaveFile copy(target); // unfinished, it removes its temporary file
    if (!copy.open(QIODevice::WriteOnly) || !m_source.seek(0))
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
        !copy.setFileTime(m_modified, QFileDevice::FileModificationTime) || !copy.commit())
        return fail(copy.errorString());
    return true;
}

bool FileCopier::fail(const QString &why)
{
    m_failure = why;
    return false;
}
