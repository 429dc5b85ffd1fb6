// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A folder seen through a FUSE mount of its own (bindfs), as a file server's share is seen: what is
// done in the folder underneath reaches the mount without a change notice.
class BindMount {
public:
    explicit BindMount(const QString &underneath);
    ~BindMount();
    BindMount(const BindMount &) = delete;
    BindMount &operator=(const BindMount &) = delete;

    // Why there is no mount, "" when there is one.
    QString failure() const { return m_failure; }
    QString path() const { return m_point.path(); }
    qint64 processId() const { return m_bindfs.processId(); }
    // The server stops answering: every call that needs it waits until it goes on.
    void stop();
    void goOn();

private:
    QTemporaryDir m_point;
    QProcess m_bindfs;
    QString m_failure;
};
