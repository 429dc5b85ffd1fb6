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

    QString path() const { return m_path; }
    // Opens a folder; the change notification runs, synchronously, only when the path changes.
    bool setPath(const QString &path, QString *failure = nullptr);
    // Lists the open folder again, for subfolders made or removed meanwhile.
    bool reread(QString *failure = nullptr);

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
    bool load(const QString &path, QString *failure);

    DriveOf m_driveOf;
    QString m_path;
    int m_openRow = -1;
};
