// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDialog>

class MessageBoxes;
class QLineEdit;
class QPushButton;

// Asks the name a FANUC program is stored under; ".NC" is added to it.
class ProgramNo final : public QDialog {
    Q_OBJECT
public:
    ProgramNo(QString &receiveName, MessageBoxes &messages, QWidget *parent = nullptr);

    QLineEdit *Text1 = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;

protected:
    void reject() override;

private:
    void OKButton_Click();

    QString &m_receiveName;
    MessageBoxes &m_messages;
};
