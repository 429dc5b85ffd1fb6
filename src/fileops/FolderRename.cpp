// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/FolderRename.h"

#include "core/AppState.h"
#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"

#include <QLineEdit>

// The field shows the name as it reads; the rename works on the name as it is on disk.
FolderRename::FolderRename(AppState &state, const QString &parent, MessageBoxes &messages,
                           QWidget *parentWidget)
    : FolderNameDialog(QStringLiteral("FolderRename"), QStringLiteral("フォルダー名の変更"),
                       NativeName::shown(state.CurrentFileName), state, messages, parentWidget),
      m_parent(parent), m_name(state.CurrentFileName)
{
}

// An unchanged name is refused as taken: it names the folder itself.
void FolderRename::Command1_Click()
{
    const QString name = Text1->text();
    if (refused(name, m_parent))
        return;
    const Outcome renamed =
        NativeFile::renameFolder(NativeFile::join(m_parent, m_name), NativeFile::join(m_parent, name));
    if (!renamed) {
        failed(QStringLiteral("フォルダー'") + NativeName::shown(m_name) +
                   QStringLiteral("'の名前を変更できませんでした。"),
               renamed.reason());
        return;
    }
    m_name = name;
    m_state.CurrentFileName = name;
    accept();
}
