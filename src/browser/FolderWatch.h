#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

// Tells when the entries of one folder change on disk: once for a burst of changes, shortly after the
// first, so a program writing many files, or one file in many steps, costs one refresh at a time.
class FolderWatch final : public QObject {
    Q_OBJECT
public:
    static constexpr int SettleMs = 150;

    explicit FolderWatch(QObject *parent = nullptr, int settleMs = SettleMs);

    // Watches folder from now on, and no other; "" watches nothing.
    void watch(const QString &folder);
    // Watches these files of the folder too: a file written over in place leaves the folder's entries alone.
    void watchFiles(const QStringList &names);
    QString folder() const { return m_folder; }

signals:
    void changed();

private:
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QString m_folder;
};
