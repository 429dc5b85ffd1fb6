// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FolderList.h"

#include "browser/FolderIndentDelegate.h"
#include "platform/files/MountQuestion.h"
#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

#include <algorithm>
#include <cerrno>

namespace {

constexpr int PathRole = Qt::UserRole;

using Subfolder = FolderList::Subfolder;

// Read on a worker: a folder on a share may not answer.
struct Listing {
    int error = 0;
    QList<Subfolder> subfolders;
};

Listing listed(const QString &path)
{
    const std::optional<NativeFile::Status> status = path.isEmpty() ? std::nullopt : NativeFile::status(path);
    if (!status || !status->isFolder)
        return {ENOENT, {}};
    if (!NativeFile::mayEnter(path))
        return {EACCES, {}};
    Listing listing;
    // In the order of the text shown: a Shift_JIS name stands where a person looks for it.
    for (const QString &name : NativeFile::folderNames(path))
        listing.subfolders.append({name, NativeName::shown(name)});
    std::sort(listing.subfolders.begin(), listing.subfolders.end(),
              [](const Subfolder &a, const Subfolder &b) {
                  const int order = QString::compare(a.shown, b.shown, Qt::CaseInsensitive);
                  return order != 0 ? order < 0 : a.name < b.name;
              });
    return listing;
}

// From the top (the drive's root, when it lies on the way) down to path.
QStringList ancestry(const QString &path, const QString &top)
{
    QStringList chain{path};
    const QString stop = QDir::cleanPath(top);
    for (QString folder = path; folder != stop;) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            break;
        chain.prepend(parent);
        folder = parent;
    }
    return chain;
}

QString displayName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? QDir::toNativeSeparators(path) : NativeName::shown(name);
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

void FolderList::setPath(const QString &path, const Done &done)
{
    // By text alone: QDir's own look at the disk re-encodes a name that is not UTF-8 and finds nothing.
    const QString target = QDir::cleanPath(path);
    if (target == m_path && !target.isEmpty())
        return done ? done(0) : void();
    load(target, done);
}

void FolderList::reread(const Done &done)
{
    load(m_path, done);
}

void FolderList::load(const QString &path, const Done &done)
{
    const quint64 turn = ++m_turn;
    MountQuestion::ask(
        this, path, [path] { return listed(path); },
        [this, path, done, turn](const std::optional<Listing> &listing) {
            if (turn != m_turn)
                return; // another folder was asked for meanwhile
            const int error = listing ? listing->error : ETIMEDOUT;
            if (error == 0)
                show(path, listing->subfolders);
            if (done)
                done(error);
        });
}

void FolderList::show(const QString &path, const QList<Subfolder> &subfolders)
{
    const bool changed = path != m_path;
    {
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
        for (const Subfolder &subfolder : subfolders) {
            auto *item = new QListWidgetItem(closed, subfolder.shown, this);
            item->setData(PathRole, NativeFile::join(path, subfolder.name));
            item->setData(FolderIndentDelegate::DepthRole, int(chain.size()));
        }
        m_path = path;
        m_openRow = int(chain.size()) - 1;
        setCurrentRow(m_openRow);
    }
    if (changed)
        emit change();
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
