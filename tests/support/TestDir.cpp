// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/TestDir.h"

#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"

#include <QDir>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <unistd.h>
#endif

TestDir::TestDir()
{
    if (!m_dir.isValid())
        qFatal("cannot create a temporary folder");
}

namespace {

// QTemporaryDir reaches no name that is not UTF-8, so those go first.
void removeRawNames(const QString &folder)
{
    for (const QString &name : NativeFile::entries(folder)) {
        const QString path = NativeFile::join(folder, name);
        const std::optional<NativeFile::Status> status = NativeFile::status(path);
        if (status && status->isFolder)
            removeRawNames(path);
        else if (NativeName::isEscaped(name))
            (void)NativeFile::remove(path);
    }
}

} // namespace

TestDir::~TestDir()
{
    removeRawNames(m_dir.path());
}

QString TestDir::addFile(const QString &name, const QByteArray &content)
{
    QFile file(filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}

QString TestDir::addFile(const QString &name, qint64 size, const QDateTime &modified)
{
    const QString path = addFile(name);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.resize(size) || // sparse: a big file costs no disk
        !file.setFileTime(modified, QFileDevice::FileModificationTime))
        qFatal("cannot set the time of %s", qPrintable(path));
    return path;
}

QString TestDir::addRawFile(const QByteArray &name, const QByteArray &content)
{
#if defined(Q_OS_UNIX)
    const QByteArray path = QFile::encodeName(m_dir.path()) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written =
        fd >= 0 && ::write(fd, content.constData(), size_t(content.size())) == content.size();
    if (fd < 0 || ::close(fd) != 0 || !written)
        qFatal("cannot write %s", path.constData());
    return NativeName::fromBytes(path);
#else
    return addFile(QString::fromUtf8(name), content); // names there are UTF-16: none is out of reach
#endif
}

QString TestDir::addFolder(const QString &relativePath)
{
    if (!QDir(path()).mkpath(relativePath))
        qFatal("cannot create %s", qPrintable(relativePath));
    return QDir(path()).absoluteFilePath(relativePath);
}

void TestDir::protect(const QString &name)
{
    QFile::setPermissions(filePath(name), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}
