// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

// A temporary folder to fill with files of chosen sizes, times and protection.
class TestDir {
public:
    TestDir();
    ~TestDir();

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    QString addFile(const QString &name, const QByteArray &content = QByteArray());
    QString addFile(const QString &name, qint64 size, const QDateTime &modified);
    // A file whose name is these very bytes, UTF-8 or not, made as a Windows share or a USB stick
    // would; gives its path as NativeName reads it.
    QString addRawFile(const QByteArray &name, const QByteArray &content = QByteArray());
    QString addFolder(const QString &relativePath);
    void protect(const QString &name);

private:
    QTemporaryDir m_dir;
};
