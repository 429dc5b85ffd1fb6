// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/FolderRename.h"

#include "core/AppState.h"
#include "platform/SystemReason.h"

#include <QDir>
#include <QLineEdit>

#include <cerrno>

FolderRename::FolderRename(AppState &state, const QString &parent, MessageBoxes &messages,
                           QWidget *parentWidget)
    : FolderNameDialog(QStringLiteral("FolderRename"), QStringLiteral("フォルダー名の変更"),
                       state.CurrentFileName, messages, parentWidget),
      m_state(state), m_parent(parent), m_name(state.CurrentFileName)
{
}

// An unchanged name is refused as taken: it names the folder itself.
void FolderRename::Command1_Click()
{
    const QString name = Text1->text();
    if (refused(name, m_parent))
        return;
    if (!QDir(m_parent).rename(m_name, name)) {
        failed(QStringLiteral("フォルダー'") + m_name + QStringLiteral("'の名前を変更できませんでした。"),
               SystemReason::of(errno));
        return;
    }
    m_name = name;
    m_state.CurrentFileName = name;
    accept();
}
