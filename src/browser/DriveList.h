// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QComboBox>
#include <QHash>

// The drive pane (Drive1). Each drive remembers its own current folder for the run, as Windows does.
class DriveList final : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget *parent = nullptr);

    // Drives read from the system are mount points; the check for "ready" then asks the mount table.
    void setRoots(const QStringList &roots, bool mountPoints);
    void refreshFromSystem();
    QStringList roots() const;

    QString drive() const { return currentText(); }
    // Selects the drive that a path or drive text lies on; the change notification runs when it changes.
    bool setDrive(const QString &pathOrDrive);
    bool mountPoints() const { return m_mountPoints; }
    // Whether the drive at root is there and answers. Asks the drive: for a worker only.
    static bool isReady(const QString &root, bool mountPoint);

    // The drive a path lies on, "" when none of the listed drives holds it.
    QString rootOf(const QString &path) const;
    // The drive's own folder as last shown, by text alone.
    QString rememberedFolder(const QString &root) const;
    // remembered, or its nearest ancestor on root still there. Asks the drive: for a worker only.
    static QString nearestFolder(const QString &remembered, const QString &root);
    // The folder shown becomes its drive's current folder, and that drive the one selected, quietly.
    void standOn(const QString &folder);
    // Selects the drive holding folder without a change notification.
    void selectDriveOf(const QString &folder);

signals:
    void change();
    void rootsChanged();

protected:
    void showPopup() override;

private:
    bool m_mountPoints = true;
    QHash<QString, QString> m_folders;
};
