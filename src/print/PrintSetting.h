// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDialog>

struct PrintOptions;
class PrintDialogs;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The print settings dialog, modeless: font and orientation are taken the moment they are chosen,
// margins, columns and date only on OK.
class PrintSetting final : public QDialog {
    Q_OBJECT
public:
    PrintSetting(PrintOptions &options, PrintDialogs &dialogs, QWidget *parent = nullptr);

    // Fills the fields from the settings as they stand.
    void fill();
    // The number at the start of a margin field, blanks ignored, rounded halves to even; else 0.
    static qint32 marginValue(const QString &text);

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;
    QPushButton *Command4;
    QLineEdit *Text1;
    QLineEdit *Text2;
    QRadioButton *Option1;
    QRadioButton *Option2;
    QRadioButton *Option3;
    QRadioButton *Option4;
    QRadioButton *Option5;

private:
    PrintOptions &m_options;
    PrintDialogs &m_dialogs;
};
