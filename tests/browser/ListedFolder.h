// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "browser/FileListView.h"
#include "browser/FolderWatch.h"
#include "support/BindMount.h"
#include "support/TestDir.h"

#include <QDir>

#include <memory>

// The list of a folder as the program keeps it: listed from the working directory, which is the
// folder itself or a file server's share of it (dir is then the server's side).
struct ListedFolder {
    TestDir dir;
    std::unique_ptr<BindMount> share;
    QString before = QDir::currentPath();
    FileListView list;
    explicit ListedFolder(const QStringList &names, bool onShare = false)
    {
        for (const QString &name : names)
            dir.addFile(name);
        if (onShare)
            share = std::make_unique<BindMount>(dir.path());
        QDir::setCurrent(onShare ? share->path() : dir.path());
        list.RefreshFileList();
    }
    ~ListedFolder() { QDir::setCurrent(before); }
    FolderWatch &watch() { return *list.findChild<FolderWatch *>(); }

    // Each row as "NAME:size", with [ ] around the selected ones and * after the current one.
    static QStringList shown(const FileListView &list)
    {
        QStringList rows;
        for (int i = 0; i < list.rowCount(); ++i) {
            const QTreeWidgetItem *row = list.row(i);
            QString text = row->text(FileListView::NameColumn) + u':' + row->text(FileListView::SizeColumn);
            if (row->isSelected() || row->checkState(FileListView::NameColumn) == Qt::Checked)
                text = u'[' + text + u']';
            rows << (row == list.currentItem() ? text + u'*' : text);
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
