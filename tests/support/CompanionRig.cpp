#include "support/CompanionRig.h"

#include "browser/FolderListing.h"

#include <QDir>

CompanionRig::CompanionRig() : locator(tools.environment()), m_previous(QDir::currentPath())
{
    tools.install({QStringLiteral("wine"), OmbrelExe, QuorrinExe, LaskarExe});
    folder.addFolder(QStringLiteral("nc progs"));
    QDir::setCurrent(here());
}

CompanionRig::~CompanionRig()
{
    QDir::setCurrent(m_previous);
}

QString CompanionRig::add(const QString &name, bool isProtected)
{
    const QString path = folder.addFile(QStringLiteral("nc progs/") + name, QByteArray("G0X0\r\n"));
    if (isProtected)
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup);
    return path;
}

void CompanionRig::show()
{
    list.fill(FolderListing::read(here()));
}

void CompanionRig::focus(const QString &text, bool selected)
{
    show();
    for (int i = 0; i < list.rowCount(); ++i) {
        QTreeWidgetItem *row = list.row(i);
        const bool current = row->text(FileListView::NameColumn) == text;
        if (current)
            list.setCurrentItem(row, 0, QItemSelectionModel::NoUpdate);
        row->setSelected(!current || selected);
    }
    if (!list.currentItem() || list.currentItem()->text(FileListView::NameColumn) != text)
        qFatal("no row %s", qPrintable(text));
}

void CompanionRig::run(void (CompanionTools::*handler)())
{
    CompanionTools companions(state, list, boxes, launcher, locator);
    (companions.*handler)();
}

QList<QStringList> CompanionRig::started() const
{
    QList<QStringList> lines;
    for (const RecordingLauncher::Started &start : launcher.started)
        lines << QStringList{start.program} + start.arguments;
    return lines;
}

QStringList CompanionRig::shown() const
{
    QStringList lines;
    for (const ScriptedMessageBoxes::Shown &box : boxes.shown)
        lines << CompanionRig::box(box.text, box.title, box.icon, box.buttons);
    return lines;
}

QString CompanionRig::box(const QString &text, const QString &title, MessageBoxes::Icon icon,
                          MessageBoxes::Buttons buttons)
{
    return QStringLiteral("%1 | title %2 | icon %3 | buttons %4")
        .arg(text, title)
        .arg(int(icon))
        .arg(int(buttons));
}
