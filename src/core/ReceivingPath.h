#pragma once

#include <QMutex>
#include <QString>

// The file a reception is writing, as the line's thread publishes it for the window's file commands:
// the canonical folder and the name on disk, set before the file is opened and cleared once it is closed.
class ReceivingPath final {
public:
    void set(const QString &path)
    {
        const QMutexLocker lock(&m_mutex);
        m_path = path;
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
