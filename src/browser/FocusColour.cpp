// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FocusColour.h"

#include <QApplication>
#include <QColor>
#include <QEvent>
#include <QPalette>
#include <QWidget>

void FocusColour::follow(QWidget *pane)
{
    apply(pane, false);
    pane->installEventFilter(new FocusColour(pane));
}

void FocusColour::apply(QWidget *pane, bool focused)
{
    const QColor colour = focused ? QApplication::palette().color(QPalette::Base) : QColor(240, 240, 240);
    QPalette palette = pane->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour); // a closed drop-down list paints with this role
    pane->setPalette(palette);
}

bool FocusColour::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        apply(static_cast<QWidget *>(watched), event->type() == QEvent::FocusIn);
    return false;
}
