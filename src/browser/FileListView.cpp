// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListView.h"

#include "browser/FolderWatch.h"
#include "browser/RenameDelegate.h"
#include "core/AppState.h"
#include "platform/files/MountQuestion.h"
#include "platform/ui/Twips.h"

#include <QFontInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSet>
#include <QStyle>

#include <algorithm>
#include <utility>

namespace {

constexpr int ColumnTwips[] = {2600, 850, 1200, 1600, 600};
static_assert(std::size(ColumnTwips) == FileListModel::ColumnCount);

} // namespace

FileListView::FileListView(const AppState &state, QWidget *parent)
    : QTreeView(parent), m_state(state), m_model(new FileListModel(this)),
      m_delegate(new RenameDelegate(this)), m_watch(new FolderWatch(this))
{
    setObjectName(QStringLiteral("lvListView"));
    setModel(m_model);
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
    fitColumns();

    m_readingShown.setSingleShot(true);
    m_readingShown.setInterval(ReadingShownMs);
    connect(&m_readingShown, &QTimer::timeout, viewport(), qOverload<>(&QWidget::update));
    connect(m_delegate, &RenameDelegate::edited, this, &FileListView::commitRename);
    connect(m_watch, &FolderWatch::changed, this, &FileListView::followDisk);
    connect(m_watch, &FolderWatch::reread, this, [this](const QList<ListedFile> &files) {
        if (!reading()) // else what is being read is newer
            follow(files);
    });
}

// The widths were set for a smaller font than most desktops use: they grow with the font, and no column
// is narrower than its header, nor the size and time columns than the longest they show.
void FileListView::fitColumns()
{
    const int fontPixels = QFontInfo(font()).pixelSize();
    const QDate date(2088, 12, 28); // two-digit days and hours, before and after noon
    const int widest[] = {
        0,
        textWidth(FileListModel::sizeText(999'999'999)),
        std::max(textWidth(FileListModel::modifiedText(QDateTime(date, QTime(10, 58, 58)))),
                 textWidth(FileListModel::modifiedText(QDateTime(date, QTime(22, 58, 58))))),
        0,
        0,
    };
    for (int i = 0; i < ColumnCount; ++i)
        setColumnWidth(i, std::max({Twips::toPixels(ColumnTwips[i], fontPixels), header()->sectionSizeHint(i),
                                    widest[i]}));
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
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitColumns();
}

void FileListView::commitRename(const QModelIndex &index, const QString &text)
{
    if (!index.isValid())
        return;
    // The file is named now: by the time the queued call runs another folder may be listed.
    // Queued, so the refresh after the rename does not pull rows away under the closing editor.
    QMetaObject::invokeMethod(
        this,
        [this, folder = m_folder, oldText = index.siblingAtColumn(NameColumn).data().toString(),
         disk = diskName(index), text] { emit renameRequested(folder, oldText, disk, text); },
        Qt::QueuedConnection);
}

FileRow FileListView::copyOf(int at) const
{
    const ListedFile &file = m_model->files()[at];
    return {file.text, file.diskName, selectionModel()->isSelected(row(at)), m_model->isChecked(at)};
}

QList<FileRow> FileListView::rows() const
{
    QList<FileRow> all;
    all.reserve(rowCount());
    for (int i = 0; i < rowCount(); ++i)
        all.append(copyOf(i));
    return all;
}

std::optional<FileRow> FileListView::currentRow() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return std::nullopt;
    return copyOf(current.row());
}

void FileListView::unmark(const QString &diskName)
{
    const QList<ListedFile> &files = m_model->files();
    const auto listed = std::find_if(files.cbegin(), files.cend(), [&diskName](const ListedFile &file) {
        return file.diskName == diskName;
    });
    if (listed == files.cend())
        return;
    const QModelIndex at = row(int(listed - files.cbegin()));
    m_model->setData(at, Qt::Unchecked, Qt::CheckStateRole);
    selectionModel()->select(at, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
}

void FileListView::markAll()
{
    setFocus();
    if (m_checkBoxes)
        m_model->check([](int) { return true; });
    selectOnly([](int) { return true; });
}

void FileListView::selectOnly(const std::function<bool(int row)> &picked)
{
    // One selection of whole runs: rows selected one by one cost the selection so far each time.
    QItemSelection selection;
    int first = -1;
    for (int i = 0; i <= rowCount(); ++i) {
        const bool in = i < rowCount() && picked(i);
        if (in && first < 0) {
            first = i;
        } else if (!in && first >= 0) {
            selection.select(row(first), row(i - 1));
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
    const QString folder = m_state.CurrentFolder;
    m_watch->watch(folder);
    if (folder == m_folder)
        return list(Landing::Replace);
    dropListing();
    m_folder = folder;
    fill({});
    list(Landing::Stream);
}

// The rows are read in list order and handed over as they come, the first ones as soon as they are read.
// A server that does not answer holds up only that thread: a listing dropped is left to itself, and
// whatever it finds later goes nowhere.
void FileListView::list(Landing landing)
{
    // One listing of a folder at a time: a share that does not answer holds one thread, not one a refresh.
    if (reading()) {
        m_next = std::max(m_next.value_or(landing), landing);
        return;
    }
    m_next.reset();
    m_landing = landing;
    m_read.clear();
    const auto work = [this, folder = m_folder, turn = m_listTurn](const MountQuestion::Post &post) {
        FolderListing::readInBatches(
            folder, FirstRows, BatchMs, [&post] { return post({}); },
            [&](QList<ListedFile> files, bool last) {
                post([this, turn, files = std::move(files), last] { arrived(turn, files, last); });
            });
    };
    m_listing = MountQuestion::start(this, work);
    m_readingShown.start();
}

void FileListView::dropListing()
{
    ++m_listTurn;
    // Later, as the listing's rows may be what is being handed over now.
    if (QObject *listing = std::exchange(m_listing, nullptr))
        listing->deleteLater();
}

void FileListView::arrived(quint64 turn, const QList<ListedFile> &files, bool last)
{
    if (turn != m_listTurn)
        return;
    if (m_landing != Landing::Stream) {
        m_read += files;
    } else {
        m_model->append(files);
        showFirstRow();
    }
    if (!last)
        return;
    dropListing();
    viewport()->update();
    const QList<ListedFile> read = std::exchange(m_read, {});
    if (m_landing == Landing::Follow) {
        follow(read);
    } else {
        if (m_landing == Landing::Replace)
            fill(read);
        m_watch->follow(m_model->files());
    }
    if (m_next)
        return list(*std::exchange(m_next, std::nullopt));
    emit listed();
}

void FileListView::clearRows()
{
    m_watch->watch({});
    dropListing();
    m_next.reset();
    m_folder.clear();
    fill({});
    viewport()->update();
}

bool FileListView::mayFollow()
{
    if (state() == EditingState)
        m_followPending = true;
    return !m_folder.isEmpty() && state() != EditingState;
}

void FileListView::followDisk()
{
    if (mayFollow())
        list(Landing::Follow);
}

void FileListView::follow(const QList<ListedFile> &files)
{
    // Not for a change of nothing shown, or one the last refresh already has.
    if (!mayFollow() || files == m_model->files())
        return;
    const QList<FileRow> before = rows();
    QSet<QString> selected;
    QSet<QString> checked;
    for (const FileRow &listed : before) {
        if (listed.selected)
            selected.insert(listed.diskName);
        if (listed.checked)
            checked.insert(listed.diskName);
    }
    const std::optional<FileRow> current = currentRow();
    const qsizetype at = current ? currentIndex().row() : -1;
    const int scrolled = verticalScrollBar()->value();
    fill(files);
    m_watch->follow(files);
    if (m_checkBoxes)
        m_model->check([&](int row) { return checked.contains(files[row].diskName); });
    selectOnly([&](int row) { return selected.contains(files[row].diskName); });
    QHash<QString, int> byName;
    for (int i = 0; i < rowCount(); ++i)
        byName.insert(files[i].diskName, i);
    // A current row gone hands over to the next row still listed, else to the one before it.
    int now = -1;
    for (qsizetype i = std::max<qsizetype>(at, 0); now < 0 && i < before.size(); ++i)
        now = byName.value(before[i].diskName, -1);
    for (qsizetype i = at - 1; now < 0 && i >= 0; --i)
        now = byName.value(before[i].diskName, -1);
    if (now >= 0)
        selectionModel()->setCurrentIndex(row(now), QItemSelectionModel::NoUpdate);
    verticalScrollBar()->setValue(scrolled);
    if (current && diskName(currentIndex()) != current->diskName)
        emit currentRowVanished(current->text);
}

void FileListView::fill(const QList<ListedFile> &files)
{
    m_model->reset(files, m_checkBoxes);
    showFirstRow();
}

// The first row is where the keyboard starts, but nothing is picked until the user picks it.
void FileListView::showFirstRow()
{
    if (!currentIndex().isValid() && rowCount() > 0)
        selectionModel()->setCurrentIndex(row(0), QItemSelectionModel::NoUpdate);
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
    // The boxes show at once; the folder read anew follows, keeping the marks set meanwhile.
    fill(QList<ListedFile>(m_model->files()));
    if (m_folder == m_state.CurrentFolder)
        followDisk();
    else
        RefreshFileList();
}

void FileListView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                               const QList<int> &roles)
{
    QTreeView::dataChanged(topLeft, bottomRight, roles);
    // A check the user sets or clears takes the row's selection with it; the list's own checks of
    // many rows set the selection themselves.
    if (m_checkBoxes && topLeft.row() == bottomRight.row() && roles.contains(Qt::CheckStateRole)) {
        const auto command =
            m_model->isChecked(topLeft.row()) ? QItemSelectionModel::Select : QItemSelectionModel::Deselect;
        selectionModel()->select(topLeft, command | QItemSelectionModel::Rows);
    }
}

void FileListView::paintEvent(QPaintEvent *event)
{
    QTreeView::paintEvent(event);
    if (!reading() || m_readingShown.isActive())
        return;
    // Where the next row will stand, or over the pane's last line when the rows fill it.
    const int rows = rowCount();
    QRect line(0, rows > 0 ? visualRect(row(rows - 1)).bottom() + 1 : 0, viewport()->width(),
               rows > 0 ? rowHeight(row(0)) : fontMetrics().height() + 4);
    if (line.bottom() >= viewport()->height())
        line.moveBottom(viewport()->height() - 1);
    QPainter painter(viewport());
    painter.fillRect(line, palette().base());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(line.adjusted(iconSize().width() + 8, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("読み込み中…"));
}

void FileListView::mousePressEvent(QMouseEvent *event)
{
    QTreeView::mousePressEvent(event);
    if (event->button() == Qt::RightButton)
        emit popupRequested(event->globalPosition().toPoint());
}

void FileListView::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeView::mouseReleaseEvent(event);
    if (m_checkBoxes) // a click on a row's name selects it for a moment; the check marks come back
        selectOnly([this](int at) { return m_model->isChecked(at); });
    if (event->button() == Qt::LeftButton)
        emit clickNotified();
}

void FileListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
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
        QTreeView::keyPressEvent(event);
    }
}

void FileListView::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTreeView::closeEditor(editor, hint);
    // Queued behind a rename the edit may have asked for.
    if (std::exchange(m_followPending, false))
        QMetaObject::invokeMethod(this, &FileListView::followDisk, Qt::QueuedConnection);
}

void FileListView::keyReleaseEvent(QKeyEvent *event)
{
    QTreeView::keyReleaseEvent(event);
    if (!event->isAutoRepeat() && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down))
        emit arrowReleased();
}
