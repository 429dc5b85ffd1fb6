// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/MainLayout.h"

#include <QTest>
#include <QWidget>

#include <cmath>

using Pane = MainLayout::Pane;

namespace {

constexpr double D = 330;              // drive list, 22 pixels
const QRect Unmoved(500, 600, 33, 24); // no layout puts a pane here; 24 is not D's 22 pixels

// Eight plain widgets standing in for the panes, in the order of MainLayout::Pane.
struct Window {
    QWidget parent;
    QWidget *pane[8];
    Window()
    {
        for (QWidget *&widget : pane) {
            widget = new QWidget(&parent);
            widget->setGeometry(Unmoved);
        }
    }
    MainLayout::Panes panes() const
    {
        return {pane[0], pane[1], pane[2], pane[3], pane[4], pane[5], pane[6], pane[7]};
    }
};

} // namespace

class tst_MainLayout : public QObject {
    Q_OBJECT

private slots:
    // The panes lie inside the window; the toolbar's height pushes only the upper panes down; a third of
    // the width is not rounded.
    void panesLieInsideTheWindow()
    {
        const QList<MainLayout::Move> base = MainLayout::moves(12001, 10000, 0, D);
        QCOMPARE(base.size(), qsizetype(8));
        QVERIFY(base[2].twips.left() != std::floor(base[2].twips.left()));
        for (const double t : {390.0, 690.0}) {
            const QList<MainLayout::Move> moves = MainLayout::moves(12001, 10000, t, D);
            for (int i = 0; i < 8; ++i) {
                const QRectF &r = moves[i].twips;
                QVERIFY(r.left() > 0 && r.top() >= 0 && r.right() < 12001 && r.bottom() < 10000);
                QCOMPARE(r, base[i].twips.translated(0, moves[i].pane <= Pane::Files ? t : 0));
            }
        }
    }

    // Twips become pixels within one pixel, relative to the panes' parent; the drive list keeps its height.
    // Below 6350 twips the text panes would get a negative height: the moves stop before them.
    void applyPlacesWidgetsInPixels()
    {
        const double t = 390;
        Window window;
        QVERIFY(!MainLayout::apply(window.panes(), 12000, 6349, t, D, 0));
        QVERIFY(window.pane[int(Pane::DataTitle)]->geometry() != Unmoved);
        for (Pane pane : {Pane::Text, Pane::Log, Pane::Image})
            QCOMPARE(window.pane[int(pane)]->geometry(), Unmoved);
        QVERIFY(MainLayout::apply(window.panes(), 12000, 6350, t, D, 0));

        QVERIFY(MainLayout::apply(window.panes(), 12000, 10000, t, D, t));
        for (const MainLayout::Move &move : MainLayout::moves(12000, 10000, t, D)) {
            const QRect actual = window.pane[int(move.pane)]->geometry();
            const QRectF &r = move.twips;
            const double height = move.pane == Pane::Drive ? Unmoved.height() : r.height() / 15;
            QVERIFY2(
                std::abs(actual.x() - r.left() / 15) <= 1 && std::abs(actual.y() - (r.top() - t) / 15) <= 1 &&
                    std::abs(actual.width() - r.width() / 15) <= 1 && std::abs(actual.height() - height) <= 1,
                qPrintable(QStringLiteral("pane %1").arg(int(move.pane))));
        }
    }
};

QTEST_MAIN(tst_MainLayout)
#include "tst_MainLayout.moc"
