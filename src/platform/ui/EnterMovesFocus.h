// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>

class QAbstractButton;
class QLineEdit;

// Enter in a name field moves the focus to the dialog's OK button instead of pressing it: a typo is
// never taken at once, and a second Enter, on the focused button, confirms.
class EnterMovesFocus final : public QObject {
    Q_OBJECT
public:
    enum class When { Always, Filled }; // Filled: an empty field keeps the focus
    EnterMovesFocus(QLineEdit *field, QAbstractButton *button, When when);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_field;
    QAbstractButton *m_button;
    When m_when;
};
