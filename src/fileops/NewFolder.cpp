// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/NewFolder.h"

#include "platform/files/NativeFile.h"

#include <QLineEdit>

NewFolder::NewFolder(AppState &state, const QString &folder, MessageBoxes &messages, QWidget *parent)
    : FolderNameDialog(QStringLiteral("NewFolder"), QStringLiteral("フォルダーの作成"), QString(), state,
                       messages, parent),
      m_folder(folder)
{
}

void NewFolder::Command1_Click()
{
    const QString name = Text1->text();
    if (refused(name, m_folder))
        return;
    if (const Outcome made = NativeFile::makeFolder(NativeFile::join(m_folder, name)); !made) {
        failed(QStringLiteral("フォルダー'") + name + QStringLiteral("'を作成できませんでした。"),
               made.reason());
        return;
    }
    accept();
}
