#pragma once

#include "fileops/FolderNameDialog.h"

struct AppState;

// Asks for a new name of the folder named CurrentFileName in parent, renames it and keeps the new
// name in CurrentFileName.
class FolderRename final : public FolderNameDialog {
    Q_OBJECT
public:
    FolderRename(AppState &state, const QString &parent, MessageBoxes &messages,
                 QWidget *parentWidget = nullptr);

    void Command1_Click() override;

private:
    AppState &m_state;
    QString m_parent;
};
