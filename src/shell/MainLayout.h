// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QList>
#include <QRectF>

class QWidget;

// Where each pane of the main window goes for a given window size, in twips of the client area.
class MainLayout final {
public:
    enum class Pane { Drive, Folders, Files, LogTitle, DataTitle, Text, Log, Image };

    struct Move {
        Pane pane;
        QRectF twips; // for the drive pane, the height is left as it is
    };

    struct Panes {
        QWidget *drive, *folders, *files, *logTitle, *dataTitle, *text, *log, *image;
    };

    static constexpr double MinimumHeight = 6170;

    // w, h: the window's outer size; t: the toolbar's height; d: the drive list's height.
    static QList<Move> moves(double w, double h, double t, double d);
    // Places the panes in order; false when one would get a negative size (the rest are then skipped).
    // clientTop is where the client area begins in the panes' parent, in twips (minus the toolbar).
    static bool apply(const Panes &panes, double w, double h, double t, double d, double clientTop);
};
