// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/DriveList.h"

#include "platform/files/MountQuestion.h"
#include "platform/files/MountedDrives.h"
#include "platform/files/NativeFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isFolder(const QString &path)
{
    const std::optional<NativeFile::Status> status = NativeFile::status(path);
    return status && status->isFolder;
}

} // namespace

DriveList::DriveList(QWidget *parent) : QComboBox(parent)
{
    setObjectName(QStringLiteral("Drive1"));
    setEditable(false);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit change(); });
}

void DriveList::setRoots(const QStringList &roots, bool mountPoints)
{
    m_mountPoints = mountPoints;
    const QString selected = drive();
    {
        const QSignalBlocker blocker(this);
        clear();
        addItems(roots);
        // A drive that is gone stays shown while it is the selected one, so its failure can be reported.
        if (!selected.isEmpty() && !roots.contains(selected))
            addItem(selected);
        setCurrentIndex(selected.isEmpty() ? -1 : findText(selected));
    }
    emit rootsChanged();
}

void DriveList::refreshFromSystem()
{
    setRoots(MountedDrives::roots(), true);
    // Listed from the mount table at once; a mount that then answers that it is not ready goes, one
    // that does not answer stays and is found not ready when chosen.
    for (const QString &root : roots()) {
        if (root == MountedDrives::systemRoot())
            continue;
        MountQuestion::ask(
            this, root, [root] { return MountedDrives::answers(root); },
            [this, root](std::optional<bool> ready) {
                if (ready == false && root != drive() && m_mountPoints) {
                    const QSignalBlocker blocker(this);
                    removeItem(findText(root));
                }
            },
            MountQuestion::TimeLimitMs, 0);
    }
}

QStringList DriveList::roots() const
{
    QStringList result;
    for (int i = 0; i < count(); ++i)
        result << itemText(i);
    return result;
}

QString DriveList::rootOf(const QString &path) const
{
    return MountedDrives::rootOf(QDir::cleanPath(path), roots());
}

bool DriveList::setDrive(const QString &pathOrDrive)
{
    const QString root = rootOf(pathOrDrive);
    if (root.isEmpty())
        return false;
    setCurrentIndex(findText(root));
    return true;
}

bool DriveList::isReady(const QString &root, bool mountPoint)
{
    return mountPoint ? MountedDrives::isMounted(root) && MountedDrives::answers(root) : isFolder(root);
}

QString DriveList::rememberedFolder(const QString &root) const
{
    // One that now lies on a drive mounted since falls back to this drive's root.
    const QString remembered = m_folders.value(root, root);
    return rootOf(remembered) == root ? remembered : root;
}

QString DriveList::nearestFolder(const QString &remembered, const QString &root)
{
    // A remembered folder removed since falls back to its nearest remaining ancestor.
    // By text: a folder whose name is not UTF-8 is found by its very bytes alone.
    QString folder = QDir::cleanPath(remembered);
    while (!isFolder(folder) && folder.size() > root.size()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            break;
        folder = parent;
    }
    return isFolder(folder) ? folder : root;
}

void DriveList::standOn(const QString &folder)
{
    const QString root = rootOf(folder);
    if (root.isEmpty())
        return;
    m_folders.insert(root, folder);
    selectDriveOf(folder);
}

void DriveList::selectDriveOf(const QString &folder)
{
    const int index = findText(rootOf(folder));
    if (index < 0)
        return;
    const QSignalBlocker blocker(this);
    setCurrentIndex(index);
}

void DriveList::showPopup()
{
    // A stick plugged in since the last look shows up the next time the list opens.
    if (m_mountPoints)
        refreshFromSystem();
    QComboBox::showPopup();
}
