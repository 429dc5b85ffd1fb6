#include "support/TestDir.h"

#include <QDir>
#include <QTest>

TestDir::TestDir()
{
    if (!m_dir.isValid())
        qFatal("cannot create a temporary folder");
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
    const QString path = addFile(name, QByteArray(size, 'X'));
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.setFileTime(modified, QFileDevice::FileModificationTime))
        qFatal("cannot set the time of %s", qPrintable(path));
    return path;
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
