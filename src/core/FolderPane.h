// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QString;

// The folder pane as the file and folder commands reach it.
class FolderPane {
public:
    virtual ~FolderPane() = default;
    // As a click in the pane: the highlighted folder opens, unless a key release absorbs the click.
    virtual void Dir1_Click() = 0;
    // Opens path in the pane with its subfolders read afresh, makes it the working directory and
    // CurrentFolder, and lists its files.
    virtual void showFolder(const QString &path) = 0;
    // Lists the open folder's subfolders again, for one made or removed meanwhile.
    virtual void rereadFolders() = 0;
};
