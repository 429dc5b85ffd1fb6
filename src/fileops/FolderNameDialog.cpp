// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/FolderNameDialog.h"

#include "core/AppState.h"
#include "core/FileNameRules.h"
#include "core/FolderListing.h"
#include "platform/files/NativeFile.h"
#include "platform/ui/EnterMovesFocus.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString faultText(FileNameRules::Fault fault)
{
    switch (fault) {
    case FileNameRules::Fault::Empty:
        return QStringLiteral("フォルダー名を入力してください。");
    case FileNameRules::Fault::ForbiddenCharacter:
        return QStringLiteral(
            "フォルダー名に使えない文字があります。\n\\ / : * ? \" < > | と制御文字は使えません。");
    case FileNameRules::Fault::LeadingDot:
        return QStringLiteral("フォルダー名の先頭に「.」は使えません。");
    case FileNameRules::Fault::TrailingDotOrBlank:
        return QStringLiteral("フォルダー名の末尾に「.」や空白は使えません。");
    case FileNameRules::Fault::TooLong:
        return QStringLiteral("フォルダー名が長すぎます。");
    case FileNameRules::Fault::None:
        break;
    }
    return {};
}

} // namespace

FolderNameDialog::FolderNameDialog(const QString &objectName, const QString &caption, const QString &name,
                                   AppState &state, MessageBoxes &messages, QWidget *parent)
    : QDialog(parent), m_state(state), m_messages(messages)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    Label1 = new QLabel(QStringLiteral("新しいフォルダー名を入力してください。"), this);
    Text1 = new QLineEdit(name, this);
    Command1 = new QPushButton(QStringLiteral("O  K"), this);
    Command2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setBuddy(Text1); // names the field for a screen reader
    Text1->setObjectName(QStringLiteral("Text1"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Text1->setMinimumWidth(Label1->sizeHint().width());
    Text1->installEventFilter(this);
    new EnterMovesFocus(Text1, Command1, EnterMovesFocus::When::Always);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Text1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
}

bool FolderNameDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text1 && event->type() == QEvent::FocusIn && !Text1->text().isEmpty())
        Text1->selectAll();
    return QDialog::eventFilter(watched, event);
}

bool FolderNameDialog::refused(const QString &name, const QString &folder)
{
    const FileNameRules::Fault fault = FileNameRules::check(name);
    if (fault != FileNameRules::Fault::None)
        tell(faultText(fault), windowTitle(), MessageBoxes::Icon::Exclamation);
    else if (!FolderListing::findName(folder, name).isEmpty())
        tell(QStringLiteral("既に同じ名前のフォルダーがあります。"), QString(), MessageBoxes::Icon::None);
    else if (m_state.Transfer.Receiving.is(NativeFile::join(folder, name)))
        tell(QStringLiteral("'%1'は受信中のファイルの名前なので使えません。").arg(name), windowTitle(),
             MessageBoxes::Icon::Exclamation);
    else
        return false;
    return true;
}

void FolderNameDialog::failed(const QString &text, const QString &why)
{
    tell(text + QLatin1Char('\n') + why, windowTitle(), MessageBoxes::Icon::Exclamation);
}

void FolderNameDialog::tell(const QString &text, const QString &title, MessageBoxes::Icon icon)
{
    m_messages.show(text, title, icon);
    Text1->setFocus();
}
