#include "browser/DriveList.h"

#include "platform/MountedDrives.h"

#include <QDir>
#include <QFileInfo>

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
    const QSignalBlocker blocker(this);
    clear();
    addItems(roots);
    // A drive that is gone stays shown while it is the selected one, so its failure can be reported.
    if (!selected.isEmpty() && !roots.contains(selected))
        addItem(selected);
    setCurrentIndex(selected.isEmpty() ? -1 : findText(selected));
}

void DriveList::refreshFromSystem()
{
    setRoots(MountedDrives::roots(), true);
}

QStringList DriveList::roots() const
{
    QStringList result;
    for (int i = 0; i < count(); ++i)
        result << itemText(i);
    return result;
}

bool DriveList::setDrive(const QString &pathOrDrive)
{
    const QString root = MountedDrives::rootOf(QDir::cleanPath(pathOrDrive), roots());
    if (root.isEmpty())
        return false;
    setCurrentIndex(findText(root));
    return true;
}

bool DriveList::isReady(const QString &root) const
{
    if (m_mountPoints)
        return MountedDrives::isMounted(root);
    return QFileInfo(root).isDir();
}

QString DriveList::folderOf(const QString &root) const
{
    // A remembered folder removed since falls back to its nearest remaining ancestor.
    QDir folder(m_folders.value(root, root));
    while (!folder.exists() && folder.absolutePath().size() > root.size() && folder.cdUp()) {
    }
    return folder.exists() ? folder.absolutePath() : root;
}

void DriveList::rememberFolder(const QString &folder)
{
    const QString root = MountedDrives::rootOf(folder, roots());
    if (!root.isEmpty())
        m_folders.insert(root, folder);
}

void DriveList::showPopup()
{
    // A stick plugged in since the last look shows up the next time the list opens.
    if (m_mountPoints)
        refreshFromSystem();
    QComboBox::showPopup();
}
