// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/ui/ProgramNo.h"

#include "core/FolderListing.h"
#include "platform/files/FileProtection.h"
#include "platform/files/NativeFile.h"
#include "platform/ui/EnterMovesFocus.h"
#include "platform/ui/MessageBoxes.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ProgramNo::ProgramNo(QString &receiveName, const QString &folder, MessageBoxes &messages, QWidget *parent)
    : QDialog(parent), m_receiveName(receiveName), m_folder(folder), m_messages(messages)
{
    setObjectName(QStringLiteral("ProgramNo"));
    setWindowTitle(QStringLiteral("　ファイル名の入力"));
    Text1 = new QLineEdit(this);
    Text1->setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 12));
    // No label stands by the field: the caption says what it is for, the note below what becomes of it.
    Text1->setAccessibleName(QStringLiteral("ファイル名"));
    OKButton = new QPushButton(QStringLiteral("O　K"), this);
    OKButton->setEnabled(false);
    OKButton->setAutoDefault(true); // Enter on the focused OK presses it
    CancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    CancelButton->setAutoDefault(false);
    new EnterMovesFocus(Text1, OKButton, EnterMovesFocus::When::Filled);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Text1);
    auto *note = new QLabel(QStringLiteral("※ 拡張名は自動的に.NCになります。"), this);
    Text1->setAccessibleDescription(note->text());
    layout->addWidget(note);
    layout->addLayout(buttons);

    connect(Text1, &QLineEdit::textChanged, this,
            [this](const QString &text) { OKButton->setEnabled(!text.isEmpty()); });
    connect(OKButton, &QPushButton::clicked, this, &ProgramNo::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &ProgramNo::reject);
}

void ProgramNo::OKButton_Click()
{
    m_receiveName = Text1->text() + QStringLiteral(".NC");
    const QString existing = FolderListing::findName(m_folder, m_receiveName);
    if (!existing.isEmpty()) {
        const QString title = QStringLiteral("ファイル名確認");
        if (m_messages.show(m_receiveName + QStringLiteral("はすでにあります。重ね書きをしますか？"), title,
                            MessageBoxes::Icon::Exclamation,
                            MessageBoxes::Buttons::YesNo) != MessageBoxes::Answer::Yes) {
            Text1->setFocus();
            return;
        }
        // The existing name may be Shift_JIS bytes on disk: its status is read by those bytes.
        const auto status = NativeFile::status(NativeFile::join(m_folder, existing));
        if (status && FileProtection::isProtected(status->permissions)) {
            m_messages.show(m_receiveName + QStringLiteral("は保護されています。"), title,
                            MessageBoxes::Icon::Critical);
            Text1->setFocus();
            return;
        }
    }
    accept();
}

// The close box and Escape cancel too: no name, no reception.
void ProgramNo::reject()
{
    m_receiveName.clear();
    QDialog::reject();
}
