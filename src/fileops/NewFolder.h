// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "fileops/FolderNameDialog.h"

// Asks for the name of a subfolder to create in the current folder, and creates it.
class NewFolder final : public FolderNameDialog {
    Q_OBJECT
public:
    NewFolder(AppState &state, const QString &folder, MessageBoxes &messages, QWidget *parent = nullptr);

    void Command1_Click() override;

private:
    QString m_folder;
};
