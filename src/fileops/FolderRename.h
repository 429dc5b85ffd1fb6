// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "fileops/FolderNameDialog.h"

struct AppState;

// Asks for a new name of the folder named CurrentFileName (as on disk) in parent, renames it and keeps
// the new name in CurrentFileName. The folder's name is taken when the dialog opens: a transfer that goes on
// while it is open sets CurrentFileName to the files it sends.
class FolderRename final : public FolderNameDialog {
    Q_OBJECT
public:
    FolderRename(AppState &state, const QString &parent, MessageBoxes &messages,
                 QWidget *parentWidget = nullptr);

    void Command1_Click() override;
    // The folder's name now: the new one after a rename, else the one it had.
    QString folderName() const { return m_name; }

private:
    QString m_parent;
    QString m_name;
};
