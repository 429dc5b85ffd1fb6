// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "browser/FileListView.h"
#include "browser/FolderWatch.h"
#include "core/AppState.h"
#include "support/BindMount.h"
#include "support/TestDir.h"

#include <QSignalSpy>

#include <memory>

// The list of a folder as the program keeps it: listed from CurrentFolder, which is the folder itself
// or a file server's share of it (dir is then the server's side). Constructed listed whole.
struct ListedFolder {
    TestDir dir;
    std::unique_ptr<BindMount> share;
    AppState state;
    FileListView list{state};
    explicit ListedFolder(const QStringList &names, bool onShare = false)
    {
        for (const QString &name : names)
            dir.addFile(name);
        if (onShare)
            share = std::make_unique<BindMount>(dir.path());
        state.CurrentFolder = onShare ? share->path() : dir.path();
        refresh(list);
    }
    FolderWatch &watch() { return *list.findChild<FolderWatch *>(); }

    // Lists CurrentFolder again and waits until it is listed whole; false when it never is.
    static bool refresh(FileListView &list)
    {
        QSignalSpy listed(&list, &FileListView::listed);
        list.RefreshFileList();
        return listed.wait(10000);
    }
    // The row whose name shows text; invalid when there is none.
    static QModelIndex find(const FileListView &list, const QString &text)
    {
        return list.model()->match(list.row(0), Qt::DisplayRole, text, 1, Qt::MatchExactly).value(0);
    }
    static void check(FileListView &list, int row, bool on = true)
    {
        list.model()->setData(list.row(row), on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    }
    static bool isSelected(const FileListView &list, int row)
    {
        return list.selectionModel()->isSelected(list.row(row));
    }
    static QString text(const FileListView &list, int row, int column = FileListView::NameColumn)
    {
        return list.row(row).siblingAtColumn(column).data().toString();
    }

    // Each row as "NAME:size", with [ ] around the selected ones and * after the current one.
    static QStringList shown(const FileListView &list)
    {
        QStringList rows;
        for (int i = 0; i < list.rowCount(); ++i) {
            QString text =
                ListedFolder::text(list, i) + u':' + ListedFolder::text(list, i, FileListView::SizeColumn);
            if (isSelected(list, i) || list.listModel()->isChecked(i))
                text = u'[' + text + u']';
            rows << (list.currentIndex().row() == i ? text + u'*' : text);
        }
        return rows;
    }

    // Makes the changes of a test row: +NAME adds a file, -NAME deletes it, ~NAME writes 3 bytes over
    // it, !NAME protects it, /NAME adds a subfolder.
    static bool make(TestDir &dir, const QString &changes)
    {
        for (const QString &step : changes.split(u' ', Qt::SkipEmptyParts)) {
            const QString name = step.mid(1);
            if (step.startsWith(u'-') && !QFile::remove(dir.filePath(name)))
                return false;
            if (step.startsWith(u'/'))
                dir.addFolder(name);
            else if (step.startsWith(u'!'))
                dir.protect(name);
            else if (!step.startsWith(u'-'))
                dir.addFile(name, step.startsWith(u'~') ? QByteArray("O1\n") : QByteArray());
        }
        return true;
    }
};
