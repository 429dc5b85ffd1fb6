// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/ui/MessageBoxes.h"

#include <QDialog>

struct AppState;
class QLabel;
class QLineEdit;
class QPushButton;

// The layout and keys that NewFolder and FolderRename share: a prompt, a name field whose text is
// selected whenever it gains the focus, "O  K" and "キャンセル". Enter in the field moves the focus to
// "O  K", so a second Enter presses it.
class FolderNameDialog : public QDialog {
    Q_OBJECT
public:
    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;

    virtual void Command1_Click() = 0;

protected:
    FolderNameDialog(const QString &objectName, const QString &caption, const QString &name, AppState &state,
                     MessageBoxes &messages, QWidget *parent);

    bool eventFilter(QObject *watched, QEvent *event) override;
    // Says why name cannot be given in folder, with the focus back in the field; false when it can. A
    // name a running reception will take is refused too: its rename at the end would fail on a folder.
    bool refused(const QString &name, const QString &folder);
    // A creation or rename the platform refused: the dialog stays for another try or a cancel.
    void failed(const QString &text, const QString &why);

    AppState &m_state;

private:
    void tell(const QString &text, const QString &title, MessageBoxes::Icon icon);

    MessageBoxes &m_messages;
};
