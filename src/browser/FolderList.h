// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QListWidget>

#include <functional>

// The folder pane (Dir1): the root and each ancestor down to the open folder, then its subfolders.
// Entries are indexed from the open folder: -1 the open folder, -2 its parent, ..., 0.. the subfolders.
class FolderList final : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget *parent = nullptr);

    // The root of the drive a folder lies on: the pane never climbs above it.
    using DriveOf = std::function<QString(const QString &folder)>;
    void setDriveOf(DriveOf driveOf) { m_driveOf = std::move(driveOf); }

    // How a look at a folder ended: 0 when it is shown, else the error (ETIMEDOUT: no answer in time).
    // It runs at once when the folder answers at once; never when another look was asked for meanwhile.
    using Done = std::function<void(int error)>;
    struct Subfolder {
        QString name;
        QString shown; // as a person reads it
    };

    QString path() const { return m_path; }
    // Opens an absolute path; the change notification runs, before done, only when the path changes.
    void setPath(const QString &path, const Done &done = {});
    // Lists the open folder again, for subfolders made or removed meanwhile.
    void reread(const Done &done = {});

    int listIndex() const;
    void setListIndex(int index);
    QString entry(int index) const;
    int subfolderCount() const { return count() - m_openRow - 1; }
    QString top() const { return entry(-m_openRow - 1); }

signals:
    void change();
    // A click on an entry; after a key is released, the keyboard's move of the highlight.
    void clickNotified();
    void keyPressed(QChar character);
    void keyReleased(int key);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    void load(const QString &path, const Done &done);
    void show(const QString &path, const QList<Subfolder> &subfolders);

    DriveOf m_driveOf;
    QString m_path;
    int m_openRow = -1;
    quint64 m_turn = 0; // a new one with every look asked for
};
