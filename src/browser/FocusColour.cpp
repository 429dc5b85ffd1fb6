#include "browser/FocusColour.h"

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QWidget>

void FocusColour::apply(QWidget *pane, bool focused)
{
    const QColor colour = focused ? QApplication::palette().color(QPalette::Base) : QColor(240, 240, 240);
    QPalette palette = pane->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour); // a closed drop-down list paints with this role
    pane->setPalette(palette);
}
