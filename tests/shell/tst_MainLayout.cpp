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
    // Columns of 3950 and 7690 twips, lower panes 3650 high and the picture 3750, in the order moved;
    // the toolbar's height pushes only the upper panes down.
    void defaultWindow_data()
    {
        QTest::addColumn<double>("t");
        QTest::newRow("toolbar of 26 pixels") << 390.0;
        QTest::newRow("toolbar of 46 pixels") << 690.0;
    }

    void defaultWindow()
    {
        QFETCH(double, t);
        const std::pair<Pane, QRectF> expected[] = {
            {Pane::Drive, {40, t + 10, 3950, D}},       {Pane::Folders, {40, t + D + 50, 3950, 3840}},
            {Pane::Files, {4030, t, 7690, 4230}},       {Pane::LogTitle, {40, 4890, 3950, 270}},
            {Pane::DataTitle, {4030, 4890, 7690, 270}}, {Pane::Text, {4030, 5130, 7690, 3650}},
            {Pane::Log, {40, 5130, 3950, 3650}},        {Pane::Image, {4030, 5130, 7690, 3750}},
        };
        const QList<MainLayout::Move> moves = MainLayout::moves(12000, 10000, t, D);
        QCOMPARE(moves.size(), qsizetype(8));
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(moves[i].pane, expected[i].first);
            QCOMPARE(moves[i].twips, expected[i].second);
        }
        // A third of the width is not rounded.
        QCOMPARE(MainLayout::moves(12001, 10000, t, D)[2].twips.left(), 4030 + 1.0 / 3);
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
