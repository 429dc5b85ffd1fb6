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
    // Above this many files only the folder is watched: each watch costs the kernel and the watcher
    // time and memory. Files added, removed or renamed are still seen; one written over in place is
    // seen at the next refresh.
    static constexpr int FileLimit = 2000;

    explicit FolderWatch(QObject *parent = nullptr, int settleMs = SettleMs, int fileLimit = FileLimit);

    // Watches folder from now on, and no other; "" watches nothing.
    void watch(const QString &folder);
    // Watches these files of the folder too, when they are no more than the limit: a file written over
    // in place leaves the folder's entries alone.
    void watchFiles(const QStringList &names);
    bool watchesFiles() const { return !m_watcher.files().isEmpty(); }
    QString folder() const { return m_folder; }

signals:
    void changed();

private:
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QString m_folder;
    int m_fileLimit;
};
