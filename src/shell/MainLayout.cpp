// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/MainLayout.h"

#include "platform/ui/Twips.h"

#include <QWidget>

QList<MainLayout::Move> MainLayout::moves(double w, double h, double t, double d)
{
    const double third = w / 3;
    const double left = third - 50;
    const double right = 2 * third - 310;
    const double lower = h - 5310 - 1040;
    return {
        {Pane::Drive, QRectF(40, t + 10, left, d)},
        {Pane::Folders, QRectF(40, t + d + 50, left, 3840)},
        {Pane::Files, QRectF(third + 30, t, right, 4230)},
        {Pane::LogTitle, QRectF(40, 4890, left, 270)},
        {Pane::DataTitle, QRectF(third + 30, 4890, right, 270)},
        {Pane::Text, QRectF(third + 30, 5130, right, lower)},
        {Pane::Log, QRectF(40, 5130, left, lower)},
        {Pane::Image, QRectF(third + 30, 5130, right, h - 5210 - 1040)},
    };
}

bool MainLayout::apply(const Panes &panes, double w, double h, double t, double d, double clientTop)
{
    QWidget *const widgets[] = {panes.drive,     panes.folders, panes.files, panes.logTitle,
                                panes.dataTitle, panes.text,    panes.log,   panes.image};
    for (const Move &move : moves(w, h, t, d)) {
        if (move.twips.width() < 0 || move.twips.height() < 0)
            return false;
        QWidget *widget = widgets[int(move.pane)];
        const int x = Twips::toPixels(move.twips.left());
        const int y = Twips::toPixels(move.twips.top() - clientTop);
        const int width = Twips::toPixels(move.twips.width());
        const int height = move.pane == Pane::Drive ? widget->height() : Twips::toPixels(move.twips.height());
        widget->setGeometry(x, y, width, height);
    }
    return true;
}
