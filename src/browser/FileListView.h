// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "browser/FileListModel.h"
#include "core/FileRows.h"

#include <QTimer>
#include <QTreeView>

#include <functional>
#include <optional>

struct AppState;
class FolderWatch;
class RenameDelegate;

// The file list (lvListView): one row per file of CurrentFolder. The folder is read on a thread of its
// own, so a share that does not answer leaves the window alone; another folder's rows show as they
// are read, a refresh of the same folder takes the place of the rows at once when it is read whole.
class FileListView final : public QTreeView, public FileRows {
    Q_OBJECT
public:
    using enum FileListModel::Column;
    // A listing that takes longer says so.
    static constexpr int ReadingShownMs = 250;
    // Rows a listing puts in order and shows first; the rest follows in batches of this many ms.
    static constexpr int FirstRows = 1000;
    static constexpr int BatchMs = 50;

    explicit FileListView(const AppState &state, QWidget *parent = nullptr);

    void RefreshFileList() override;
    void fill(const QList<ListedFile> &files);
    // Reads the listed folder again and, when its files changed on disk, shows them keeping the current
    // row, the selection and the check marks by name. An open rename is left alone and followed by this.
    void followDisk();
    // Removes all rows; the list follows the disk again from its next refresh.
    void clearRows();
    // A listing is under way.
    bool reading() const { return m_listing != nullptr; }

    bool checkBoxes() const override { return m_checkBoxes; }
    void setCheckBoxes(bool on);
    void toggleCheckBoxes();

    int rowCount() const override { return m_model->rowCount(); }
    QList<FileRow> rows() const override;
    std::optional<FileRow> currentRow() const override;
    void unmark(const QString &diskName) override;
    void markAll() override;
    void dropRename() override;
    FileListModel *listModel() const { return m_model; }
    QModelIndex row(int index) const { return m_model->index(index, NameColumn); }
    static QString diskName(const QModelIndex &row)
    {
        return row.siblingAtColumn(NameColumn).data(FileListModel::DiskNameRole).toString();
    }

signals:
    // The end of an in-place edit of a row's name, delivered after the editor has closed, with the
    // folder and the row as they were when the edit ended.
    void renameRequested(const QString &folder, const QString &oldText, const QString &diskName,
                         const QString &newText);
    void clickNotified();
    void openRequested(); // a double-click or Enter
    void arrowReleased(); // Up or Down, after the highlight has moved
    void leftPressed();
    void deletePressed();
    void popupRequested(const QPoint &globalPosition);
    void checkBoxesChanged(bool on);
    // The current row's file went away on disk; the row now current, if any, stands nearest to it.
    void currentRowVanished(const QString &text);
    // The folder is listed whole.
    void listed();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles) override;

private:
    // How the rows of a listing land: as they come (another folder), in place of all rows once read
    // (a refresh), or so too but keeping the marks (the disk followed).
    enum class Landing { Follow, Replace, Stream };

    void fitColumns();
    int textWidth(const QString &text) const;
    void commitRename(const QModelIndex &index, const QString &text);
    void list(Landing landing);
    void dropListing();
    void arrived(quint64 turn, const QList<ListedFile> &files, bool last);
    // False while a rename is open, which this then follows; false too without a folder.
    bool mayFollow();
    void follow(const QList<ListedFile> &files);
    void showFirstRow();
    void selectOnly(const std::function<bool(int row)> &picked);
    FileRow copyOf(int row) const;

    const AppState &m_state;
    FileListModel *m_model;
    QString m_folder; // the folder the rows are read from
    bool m_checkBoxes = false;
    bool m_followPending = false;
    Landing m_landing = Landing::Stream;
    std::optional<Landing> m_next; // asked for while the same folder was being read
    QList<ListedFile> m_read;      // read so far, for a listing that lands whole
    QObject *m_listing = nullptr;  // what the listing under way, on a thread of its own, hands rows to
    quint64 m_listTurn = 0;        // a new one with every listing
    QTimer m_readingShown;
    RenameDelegate *m_delegate;
    FolderWatch *m_watch;
};
