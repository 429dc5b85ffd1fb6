// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListView.h"

#include "browser/FileListRow.h"
#include "browser/FolderWatch.h"
#include "browser/RenameDelegate.h"
#include "core/FileTypeCatalogue.h"
#include "platform/BusyCursor.h"
#include "platform/Twips.h"
#include "platform/WorkingDirectory.h"

#include <QDir>
#include <QFontInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSet>
#include <QStyle>

#include <algorithm>
#include <utility>

namespace {

struct ColumnLayout {
    const char16_t *header;
    int twips;
    Qt::Alignment alignment;
};

constexpr ColumnLayout Columns[] = {
    {u"ファイル名", 2600, Qt::AlignLeft}, {u"サイズ", 850, Qt::AlignRight},
    {u"更新日時", 1200, Qt::AlignLeft},   {u"種類", 1600, Qt::AlignLeft},
    {u"保護", 600, Qt::AlignLeft},
};

} // namespace

FileListView::FileListView(QWidget *parent)
    : QTreeWidget(parent), m_delegate(new RenameDelegate(this)), m_watch(new FolderWatch(this))
{
    setObjectName(QStringLiteral("lvListView"));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setIconSize(QSize(16, 16));
    setItemDelegateForColumn(NameColumn, m_delegate);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);

    setColumnCount(int(std::size(Columns)));
    QStringList headers;
    for (const ColumnLayout &column : Columns)
        headers << QString::fromUtf16(column.header);
    setHeaderLabels(headers);
    for (int i = 0; i < int(std::size(Columns)); ++i)
        headerItem()->setTextAlignment(i, Columns[i].alignment | Qt::AlignVCenter);
    fitColumns();

    connect(this, &QTreeWidget::itemChanged, this, &FileListView::syncSelectionToCheck);
    connect(m_delegate, &RenameDelegate::edited, this, &FileListView::commitRename);
    connect(m_watch, &FolderWatch::changed, this, &FileListView::followDisk);
    connect(m_watch, &FolderWatch::reread, this, [this](const QList<ListedFile> &files) { follow(&files); });
}

// The widths were set for a smaller font than most desktops use: they grow with the font, and no column
// is narrower than its header, nor the size and time columns than the longest they show.
void FileListView::fitColumns()
{
    const int fontPixels = QFontInfo(font()).pixelSize();
    const QDate date(2088, 12, 28); // two-digit days and hours, before and after noon
    const int widest[] = {
        0,
        textWidth(FileListRow::sizeText(999'999'999)),
        std::max(textWidth(FileListRow::modifiedText(QDateTime(date, QTime(10, 58, 58)))),
                 textWidth(FileListRow::modifiedText(QDateTime(date, QTime(22, 58, 58))))),
        0,
        0,
    };
    for (int i = 0; i < int(std::size(Columns)); ++i)
        setColumnWidth(i, std::max({Twips::toPixels(Columns[i].twips, fontPixels),
                                    header()->sectionSizeHint(i), widest[i]}));
}

// As wide as a cell showing this text wants to be.
int FileListView::textWidth(const QString &text) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = text;
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width();
}

void FileListView::changeEvent(QEvent *event)
{
    QTreeWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitColumns();
}

void FileListView::commitRename(const QModelIndex &index, const QString &text)
{
    const QTreeWidgetItem *edited = itemFromIndex(index);
    if (!edited)
        return;
    // The file is named now: by the time the queued call runs another folder may be listed.
    // Queued, so the refresh after the rename does not pull rows away under the closing editor.
    QMetaObject::invokeMethod(
        this,
        [this, folder = m_folder, oldText = edited->text(NameColumn), disk = diskName(edited), text] {
            emit renameRequested(folder, oldText, disk, text);
        },
        Qt::QueuedConnection);
}

namespace {

FileRow copyOf(const QTreeWidgetItem *row)
{
    return {row->text(FileListView::NameColumn), FileListView::diskName(row), row->isSelected(),
            (row->flags() & Qt::ItemIsUserCheckable) &&
                row->checkState(FileListView::NameColumn) == Qt::Checked};
}

} // namespace

QList<FileRow> FileListView::rows() const
{
    QList<FileRow> all;
    all.reserve(rowCount());
    for (int i = 0; i < rowCount(); ++i)
        all.append(copyOf(row(i)));
    return all;
}

std::optional<FileRow> FileListView::currentRow() const
{
    const QTreeWidgetItem *current = rowCount() > 0 ? currentItem() : nullptr;
    if (!current)
        return std::nullopt;
    return copyOf(current);
}

void FileListView::unmark(const QString &diskName)
{
    for (int i = 0; i < rowCount(); ++i) {
        QTreeWidgetItem *listed = row(i);
        if (FileListView::diskName(listed) != diskName)
            continue;
        if (listed->flags() & Qt::ItemIsUserCheckable)
            listed->setCheckState(NameColumn, Qt::Unchecked);
        listed->setSelected(false);
        return;
    }
}

void FileListView::markAll()
{
    setFocus();
    if (m_checkBoxes)
        check([](const QTreeWidgetItem *) { return true; });
    selectOnly([](const QTreeWidgetItem *) { return true; });
}

void FileListView::check(const std::function<bool(const QTreeWidgetItem *)> &picked)
{
    // Told to the view once: a change told row by row costs the view a search each time. The
    // selection is the caller's to set.
    {
        const QSignalBlocker quiet(model());
        for (int i = 0; i < rowCount(); ++i) {
            if (picked(row(i)))
                row(i)->setCheckState(NameColumn, Qt::Checked);
        }
    }
    if (rowCount() > 0)
        emit model()->dataChanged(model()->index(0, NameColumn), model()->index(rowCount() - 1, NameColumn),
                                  {Qt::CheckStateRole});
}

void FileListView::selectOnly(const std::function<bool(const QTreeWidgetItem *)> &picked)
{
    // One selection of whole runs: rows selected one by one cost the selection so far each time.
    QItemSelection selection;
    int first = -1;
    for (int i = 0; i <= rowCount(); ++i) {
        const bool in = i < rowCount() && picked(row(i));
        if (in && first < 0) {
            first = i;
        } else if (!in && first >= 0) {
            selection.select(model()->index(first, NameColumn), model()->index(i - 1, NameColumn));
            first = -1;
        }
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void FileListView::dropRename()
{
    // Qt forgets a click-to-rename that has not opened yet when told the current row changed.
    edit(currentIndex(), CurrentChanged, nullptr);
    const QList<QWidget *> editors = viewport()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *editor : editors)
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

void FileListView::RefreshFileList()
{
    const BusyCursor busy;
    m_folder = WorkingDirectory::current();
    m_watch->watch(m_folder);
    const QList<ListedFile> files = FolderListing::read(m_folder);
    fill(files);
    m_watch->follow(files);
}

void FileListView::clearRows()
{
    m_watch->watch({});
    m_folder.clear();
    clear();
}

void FileListView::followDisk()
{
    follow(nullptr);
}

void FileListView::follow(const QList<ListedFile> *read)
{
    if (m_folder.isEmpty())
        return;
    if (state() == EditingState) {
        m_followPending = true;
        return;
    }
    const QList<ListedFile> files = read ? *read : FolderListing::read(m_folder);
    if (shows(files))
        return; // a change of nothing shown, or one the last refresh already has
    QStringList before;
    QSet<QString> selected;
    QSet<QString> checked;
    for (int i = 0; i < rowCount(); ++i) {
        const QTreeWidgetItem *listed = row(i);
        before << diskName(listed);
        if (listed->isSelected())
            selected.insert(before.last());
        if ((listed->flags() & Qt::ItemIsUserCheckable) && listed->checkState(NameColumn) == Qt::Checked)
            checked.insert(before.last());
    }
    const QTreeWidgetItem *current = currentItem();
    const bool hadCurrent = current != nullptr;
    const QString currentName = diskName(current);
    const QString currentText = current ? current->text(NameColumn) : QString();
    const int scrolled = verticalScrollBar()->value();
    fill(files);
    m_watch->follow(files);
    restoreMarks(before, currentName, selected, checked);
    verticalScrollBar()->setValue(scrolled);
    if (hadCurrent && diskName(currentItem()) != currentName)
        emit currentRowVanished(currentText);
}

bool FileListView::shows(const QList<ListedFile> &files) const
{
    if (files.size() != rowCount())
        return false;
    for (int i = 0; i < rowCount(); ++i) {
        if (static_cast<const FileListRow *>(row(i))->file() != files[i])
            return false;
    }
    return true;
}

void FileListView::restoreMarks(const QStringList &before, const QString &current,
                                const QSet<QString> &selected, const QSet<QString> &checked)
{
    const QSignalBlocker blocker(this);
    QHash<QString, QTreeWidgetItem *> byName;
    for (int i = 0; i < rowCount(); ++i)
        byName.insert(diskName(row(i)), row(i));
    if (m_checkBoxes)
        check([&](const QTreeWidgetItem *listed) { return checked.contains(diskName(listed)); });
    selectOnly([&](const QTreeWidgetItem *listed) { return selected.contains(diskName(listed)); });
    // A current row gone hands over to the next row still listed, else to the one before it.
    const qsizetype at = before.indexOf(current);
    QTreeWidgetItem *now = byName.value(current);
    for (qsizetype i = at + 1; !now && i < before.size(); ++i)
        now = byName.value(before[i]);
    for (qsizetype i = at - 1; !now && i >= 0; --i)
        now = byName.value(before[i]);
    if (now)
        setCurrentItem(now, NameColumn, QItemSelectionModel::NoUpdate);
}

void FileListView::fill(const QList<ListedFile> &files)
{
    const QSignalBlocker blocker(this);
    clear();
    QList<QTreeWidgetItem *> rows;
    rows.reserve(files.size());
    for (const ListedFile &file : files) {
        auto *row = new FileListRow(file, m_icons.icon(FileTypeCatalogue::ListIconIndex(file.text)));
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
        if (m_checkBoxes) {
            flags |= Qt::ItemIsUserCheckable;
            row->setCheckState(NameColumn, Qt::Unchecked);
        }
        row->setFlags(flags);
        rows.append(row);
    }
    addTopLevelItems(rows);
    // The first row is where the keyboard starts, but nothing is picked until the user picks it.
    if (!rows.isEmpty())
        setCurrentItem(rows.first(), NameColumn, QItemSelectionModel::NoUpdate);
}

void FileListView::setCheckBoxes(bool on)
{
    if (on == m_checkBoxes)
        return;
    m_checkBoxes = on;
    emit checkBoxesChanged(on);
}

void FileListView::toggleCheckBoxes()
{
    setCheckBoxes(!m_checkBoxes);
    RefreshFileList();
}

QString FileListView::diskName(const QTreeWidgetItem *row)
{
    return row ? row->data(NameColumn, DiskNameRole).toString() : QString();
}

void FileListView::syncSelectionToCheck(QTreeWidgetItem *row, int column)
{
    if (m_checkBoxes && column == NameColumn)
        row->setSelected(row->checkState(NameColumn) == Qt::Checked);
}

void FileListView::syncAllSelectionsToChecks()
{
    selectOnly([](const QTreeWidgetItem *row) { return row->checkState(NameColumn) == Qt::Checked; });
}

void FileListView::mousePressEvent(QMouseEvent *event)
{
    QTreeWidget::mousePressEvent(event);
    if (event->button() == Qt::RightButton)
        emit popupRequested(event->globalPosition().toPoint());
}

void FileListView::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeWidget::mouseReleaseEvent(event);
    if (m_checkBoxes)
        syncAllSelectionsToChecks();
    if (event->button() == Qt::LeftButton)
        emit clickNotified();
}

void FileListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit openRequested();
}

void FileListView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit openRequested();
        return;
    case Qt::Key_Left:
        emit leftPressed();
        return;
    case Qt::Key_Delete:
        emit deletePressed();
        return;
    default:
        QTreeWidget::keyPressEvent(event);
    }
}

void FileListView::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTreeWidget::closeEditor(editor, hint);
    // Queued behind a rename the edit may have asked for.
    if (std::exchange(m_followPending, false))
        QMetaObject::invokeMethod(this, &FileListView::followDisk, Qt::QueuedConnection);
}

void FileListView::keyReleaseEvent(QKeyEvent *event)
{
    QTreeWidget::keyReleaseEvent(event);
    if (!event->isAutoRepeat() && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down))
        emit arrowReleased();
}
