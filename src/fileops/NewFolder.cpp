// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/NewFolder.h"

#include "platform/SystemReason.h"

#include <QDir>
#include <QLineEdit>

#include <cerrno>

NewFolder::NewFolder(const QString &folder, MessageBoxes &messages, QWidget *parent)
    : FolderNameDialog(QStringLiteral("NewFolder"), QStringLiteral("フォルダーの作成"), QString(), messages,
                       parent),
      m_folder(folder)
{
}

void NewFolder::Command1_Click()
{
    const QString name = Text1->text();
    if (refused(name, m_folder))
        return;
    if (!QDir(m_folder).mkdir(name)) {
        failed(QStringLiteral("フォルダー'") + name + QStringLiteral("'を作成できませんでした。"),
               SystemReason::of(errno));
        return;
    }
    accept();
}
