#pragma once

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QString>

// The file a reception is writing, as the line's thread publishes it for the window's file commands:
// the canonical folder and the name on disk, set before the file is opened and cleared once it is closed.
class ReceivingPath final {
public:
    // The canonical folder and the name as given, so two spellings of one place compare equal; the
    // file itself need not exist yet. "" when the folder does not exist.
    static QString canonical(const QString &path)
    {
        const QFileInfo info(path);
        const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
        return folder.isEmpty() ? QString() : QDir(folder).filePath(info.fileName());
    }

    // "" when none.
    void set(const QString &path)
    {
        const QString canonicalPath = path.isEmpty() ? QString() : canonical(path);
        const QMutexLocker lock(&m_mutex);
        m_path = canonicalPath;
    }
    QString get() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_path;
    }

private:
    mutable QMutex m_mutex;
    QString m_path;
};
