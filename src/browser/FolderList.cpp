// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FolderList.h"

#include "browser/FolderIndentDelegate.h"
#include "platform/SystemReason.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

#include <cerrno>

namespace {

constexpr int PathRole = Qt::UserRole;

QString cleaned(const QString &path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

// From the top (the drive's root, when it lies on the way) down to path.
QStringList ancestry(const QString &path, const QString &top)
{
    QStringList chain;
    QDir dir(path);
    chain.prepend(dir.absolutePath());
    while (QDir::cleanPath(dir.absolutePath()) != QDir::cleanPath(top) && dir.cdUp())
        chain.prepend(dir.absolutePath());
    return chain;
}

QString displayName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? QDir::toNativeSeparators(path) : name;
}

} // namespace

FolderList::FolderList(QWidget *parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("Dir1"));
    setItemDelegate(new FolderIndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
}

bool FolderList::setPath(const QString &path, QString *failure)
{
    const QString target = cleaned(path);
    if (target == m_path)
        return true;
    if (!load(target, failure))
        return false;
    emit change();
    return true;
}

bool FolderList::reread(QString *failure)
{
    return load(m_path, failure);
}

bool FolderList::load(const QString &path, QString *failure)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || !info.isDir()) {
        if (failure)
            *failure = SystemReason::of(ENOENT);
        return false;
    }
    if (!info.isExecutable()) {
        if (failure)
            *failure = SystemReason::of(EACCES);
        return false;
    }

    const QSignalBlocker blocker(this);
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QStringList chain = ancestry(path, m_driveOf ? m_driveOf(path) : QString());
    for (int depth = 0; depth < chain.size(); ++depth) {
        auto *item = new QListWidgetItem(open, displayName(chain[depth]), this);
        item->setData(PathRole, chain[depth]);
        item->setData(FolderIndentDelegate::DepthRole, depth);
    }
    const QStringList subfolders =
        QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : subfolders) {
        auto *item = new QListWidgetItem(closed, name, this);
        item->setData(PathRole, QDir(path).absoluteFilePath(name));
        item->setData(FolderIndentDelegate::DepthRole, int(chain.size()));
    }
    m_path = path;
    m_openRow = int(chain.size()) - 1;
    setCurrentRow(m_openRow);
    return true;
}

int FolderList::listIndex() const
{
    return currentRow() < 0 ? -1 : currentRow() - m_openRow - 1;
}

void FolderList::setListIndex(int index)
{
    setCurrentRow(index + m_openRow + 1);
}

QString FolderList::entry(int index) const
{
    const QListWidgetItem *entryItem = item(index + m_openRow + 1);
    return entryItem ? entryItem->data(PathRole).toString() : QString();
}

void FolderList::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()))
        emit clickNotified();
}

void FolderList::keyPressEvent(QKeyEvent *event)
{
    if (!event->text().isEmpty())
        emit keyPressed(event->text().front());
    QListWidget::keyPressEvent(event);
}

void FolderList::keyReleaseEvent(QKeyEvent *event)
{
    QListWidget::keyReleaseEvent(event);
    if (event->isAutoRepeat())
        return;
    emit keyReleased(event->key());
    emit clickNotified();
}
