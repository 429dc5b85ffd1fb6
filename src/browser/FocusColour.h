// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>

class QWidget;

// The pane with the keyboard focus shows the window colour, the others a light grey.
class FocusColour final : public QObject {
    Q_OBJECT
public:
    // Greys the pane now and keeps its colour in step with its focus from then on.
    static void follow(QWidget *pane);
    static void apply(QWidget *pane, bool focused);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};
