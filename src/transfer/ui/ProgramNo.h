// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDialog>

class MessageBoxes;
class QLineEdit;
class QPushButton;

// Asks the name a FANUC program is stored under in folder; ".NC" is added to it.
class ProgramNo final : public QDialog {
    Q_OBJECT
public:
    ProgramNo(QString &receiveName, const QString &folder, MessageBoxes &messages, QWidget *parent = nullptr);

    QLineEdit *Text1 = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;

protected:
    void reject() override;

private:
    void OKButton_Click();

    QString &m_receiveName;
    const QString m_folder;
    MessageBoxes &m_messages;
};
