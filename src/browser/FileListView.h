// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "browser/ListIcons.h"
#include "core/FileRows.h"
#include "core/FolderListing.h"

#include <QTreeWidget>

#include <functional>

class FolderWatch;
class RenameDelegate;

// The file list (lvListView): one row per file of the working directory, rebuilt whole on refresh.
class FileListView final : public QTreeWidget, public FileRows {
    Q_OBJECT
public:
    enum Column { NameColumn, SizeColumn, ModifiedColumn, TypeColumn, ProtectedColumn };
    static constexpr int DiskNameRole = Qt::UserRole;

    explicit FileListView(QWidget *parent = nullptr);

    void RefreshFileList() override;
    void fill(const QList<ListedFile> &files);
    // Rebuilds the rows when the listed folder's files changed on disk, keeping the current row, the
    // selection and the check marks by name. An open rename is left alone and followed by this.
    void followDisk();
    // Removes all rows; the list follows the disk again from its next refresh.
    void clearRows();

    bool checkBoxes() const override { return m_checkBoxes; }
    void setCheckBoxes(bool on);
    void toggleCheckBoxes();

    int rowCount() const override { return topLevelItemCount(); }
    QList<FileRow> rows() const override;
    std::optional<FileRow> currentRow() const override;
    void unmark(const QString &diskName) override;
    void markAll() override;
    void dropRename() override;
    QTreeWidgetItem *row(int index) const { return topLevelItem(index); }
    static QString diskName(const QTreeWidgetItem *row);

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

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void changeEvent(QEvent *event) override;

private:
    void fitColumns();
    int textWidth(const QString &text) const;
    void commitRename(const QModelIndex &index, const QString &text);
    bool shows(const QList<ListedFile> &files) const;
    // Follows the disk with files read already elsewhere, or read now when there are none.
    void follow(const QList<ListedFile> *read);
    void restoreMarks(const QStringList &before, const QString &current, const QSet<QString> &selected,
                      const QSet<QString> &checked);
    void syncSelectionToCheck(QTreeWidgetItem *row, int column);
    void syncAllSelectionsToChecks();
    void check(const std::function<bool(const QTreeWidgetItem *)> &picked);
    void selectOnly(const std::function<bool(const QTreeWidgetItem *)> &picked);

    QString m_folder; // the folder the rows were read from
    bool m_checkBoxes = false;
    bool m_followPending = false;
    ListIcons m_icons;
    RenameDelegate *m_delegate = nullptr;
    FolderWatch *m_watch = nullptr;
};
