#include "shell/MainLayout.h"

#include <QTest>
#include <QWidget>

#include <array>
#include <cmath>

using Pane = MainLayout::Pane;

Q_DECLARE_METATYPE(MainLayout::Pane)

class tst_MainLayout : public QObject {
    Q_OBJECT

private slots:
    void panes_data();
    void panes();
    void placesEachPaneOnceInOrder();
    void tallerToolbarPushesUpperPanesOnly();
    void tallerDriveListPushesFolderListOnly();

    void applyPlacesWidgets_data();
    void applyPlacesWidgets();
    void applyStopsAtFirstImpossibleMove_data();
    void applyStopsAtFirstImpossibleMove();
};

namespace {

constexpr double Toolbar = 390;   // 26 pixels
constexpr double DriveList = 330; // 22 pixels

constexpr std::array<Pane, 8> Order = {Pane::Drive,     Pane::Folders, Pane::Files, Pane::LogTitle,
                                       Pane::DataTitle, Pane::Text,    Pane::Log,   Pane::Image};

QRectF placed(const QList<MainLayout::Move> &moves, Pane pane)
{
    for (const MainLayout::Move &move : moves) {
        if (move.pane == pane)
            return move.twips;
    }
    return {};
}

bool near(double actual, double expected, double tolerance)
{
    return std::abs(actual - expected) <= tolerance;
}

QString describe(const QRectF &r)
{
    return QStringLiteral("(%1, %2, %3 x %4)").arg(r.left()).arg(r.top()).arg(r.width()).arg(r.height());
}

// Eight plain widgets standing in for the panes, each at a position no layout would give it.
struct PaneWidgets {
    QWidget parent;
    std::array<QWidget *, 8> widgets{};
    static constexpr int DriveHeight = 24; // deliberately not D, so that a resized drive list would show

    PaneWidgets()
    {
        parent.resize(1000, 800);
        for (QWidget *&widget : widgets) {
            widget = new QWidget(&parent);
            widget->setGeometry(unmoved());
        }
        widgets[0]->setGeometry(unmovedDrive());
    }
    static QRect unmoved() { return QRect(500, 600, 33, 44); }
    static QRect unmovedDrive() { return QRect(500, 600, 33, DriveHeight); }
    QWidget *widget(Pane pane) const { return widgets[std::size_t(pane)]; }
    MainLayout::Panes panes() const
    {
        return {widget(Pane::Drive),     widget(Pane::Folders), widget(Pane::Files), widget(Pane::LogTitle),
                widget(Pane::DataTitle), widget(Pane::Text),    widget(Pane::Log),   widget(Pane::Image)};
    }
};

} // namespace

void tst_MainLayout::panes_data()
{
    QTest::addColumn<double>("w");
    QTest::addColumn<double>("h");
    QTest::addColumn<Pane>("pane");
    QTest::addColumn<QRectF>("twips");

    const double t = Toolbar;
    const double d = DriveList;

    // The default window: columns of 3950 and 7690 twips, lower panes 3650 high, the picture 3750.
    QTest::newRow("default drive") << 12000.0 << 10000.0 << Pane::Drive << QRectF(40, t + 10, 3950, d);
    QTest::newRow("default folders") << 12000.0 << 10000.0 << Pane::Folders
                                     << QRectF(40, t + d + 50, 3950, 3840);
    QTest::newRow("default files") << 12000.0 << 10000.0 << Pane::Files << QRectF(4030, t, 7690, 4230);
    QTest::newRow("default log title") << 12000.0 << 10000.0 << Pane::LogTitle << QRectF(40, 4890, 3950, 270);
    QTest::newRow("default data title")
        << 12000.0 << 10000.0 << Pane::DataTitle << QRectF(4030, 4890, 7690, 270);
    QTest::newRow("default text") << 12000.0 << 10000.0 << Pane::Text << QRectF(4030, 5130, 7690, 3650);
    QTest::newRow("default log") << 12000.0 << 10000.0 << Pane::Log << QRectF(40, 5130, 3950, 3650);
    QTest::newRow("default picture") << 12000.0 << 10000.0 << Pane::Image << QRectF(4030, 5130, 7690, 3750);

    // Wider: the column boundary moves, the upper panes keep their heights.
    QTest::newRow("wide folders") << 15000.0 << 10000.0 << Pane::Folders
                                  << QRectF(40, t + d + 50, 4950, 3840);
    QTest::newRow("wide files") << 15000.0 << 10000.0 << Pane::Files << QRectF(5030, t, 9690, 4230);
    QTest::newRow("wide log") << 15000.0 << 10000.0 << Pane::Log << QRectF(40, 5130, 4950, 3650);
    QTest::newRow("wide text") << 15000.0 << 10000.0 << Pane::Text << QRectF(5030, 5130, 9690, 3650);

    // A width not divisible by three: nothing is rounded.
    QTest::newRow("uneven drive") << 12001.0 << 10000.0 << Pane::Drive
                                  << QRectF(40, t + 10, 3950 + 1.0 / 3, d);
    QTest::newRow("uneven data title")
        << 12001.0 << 10000.0 << Pane::DataTitle << QRectF(4030 + 1.0 / 3, 4890, 7690 + 2.0 / 3, 270);

    // Taller: only the lower panes grow.
    QTest::newRow("tall folders") << 12000.0 << 14000.0 << Pane::Folders
                                  << QRectF(40, t + d + 50, 3950, 3840);
    QTest::newRow("tall files") << 12000.0 << 14000.0 << Pane::Files << QRectF(4030, t, 7690, 4230);
    QTest::newRow("tall log title") << 12000.0 << 14000.0 << Pane::LogTitle << QRectF(40, 4890, 3950, 270);
    QTest::newRow("tall log") << 12000.0 << 14000.0 << Pane::Log << QRectF(40, 5130, 3950, 7650);
    QTest::newRow("tall picture") << 12000.0 << 14000.0 << Pane::Image << QRectF(4030, 5130, 7690, 7750);

    // The lowest window with room for the text panes.
    QTest::newRow("lowest text") << 12000.0 << 6350.0 << Pane::Text << QRectF(4030, 5130, 7690, 0);
    QTest::newRow("lowest picture") << 12000.0 << 6350.0 << Pane::Image << QRectF(4030, 5130, 7690, 100);
}

void tst_MainLayout::panes()
{
    QFETCH(double, w);
    QFETCH(double, h);
    QFETCH(Pane, pane);
    QFETCH(QRectF, twips);

    const QRectF actual = placed(MainLayout::moves(w, h, Toolbar, DriveList), pane);
    QVERIFY2(near(actual.left(), twips.left(), 1e-6) && near(actual.top(), twips.top(), 1e-6) &&
                 near(actual.width(), twips.width(), 1e-6) && near(actual.height(), twips.height(), 1e-6),
             qPrintable(describe(actual) + QStringLiteral(" instead of ") + describe(twips)));
}

// The order decides which panes still move when one of them does not fit.
void tst_MainLayout::placesEachPaneOnceInOrder()
{
    const QList<MainLayout::Move> moves = MainLayout::moves(12000, 10000, Toolbar, DriveList);
    QCOMPARE(moves.size(), qsizetype(Order.size()));
    for (std::size_t i = 0; i < Order.size(); ++i)
        QCOMPARE(moves[qsizetype(i)].pane, Order[i]);
}

void tst_MainLayout::tallerToolbarPushesUpperPanesOnly()
{
    const QList<MainLayout::Move> low = MainLayout::moves(12000, 10000, Toolbar, DriveList);
    const QList<MainLayout::Move> high = MainLayout::moves(12000, 10000, Toolbar + 300, DriveList);
    for (Pane pane : Order) {
        const QRectF before = placed(low, pane);
        const QRectF after = placed(high, pane);
        const bool pushed = pane == Pane::Drive || pane == Pane::Folders || pane == Pane::Files;
        QCOMPARE(after.top(), before.top() + (pushed ? 300 : 0));
        QCOMPARE(after.left(), before.left());
        QCOMPARE(after.size(), before.size());
    }
}

void tst_MainLayout::tallerDriveListPushesFolderListOnly()
{
    const QList<MainLayout::Move> low = MainLayout::moves(12000, 10000, Toolbar, DriveList);
    const QList<MainLayout::Move> high = MainLayout::moves(12000, 10000, Toolbar, DriveList + 120);
    for (Pane pane : Order) {
        if (pane == Pane::Drive)
            continue; // carries its own height through
        QCOMPARE(placed(high, pane).top(), placed(low, pane).top() + (pane == Pane::Folders ? 120 : 0));
        QCOMPARE(placed(high, pane).size(), placed(low, pane).size());
    }
}

void tst_MainLayout::applyPlacesWidgets_data()
{
    QTest::addColumn<double>("clientTop");
    QTest::newRow("panes' parent at the client area") << 0.0;
    QTest::newRow("panes' parent below the toolbar") << Toolbar;
}

void tst_MainLayout::applyPlacesWidgets()
{
    QFETCH(double, clientTop);
    PaneWidgets window;
    QVERIFY(MainLayout::apply(window.panes(), 12000, 10000, Toolbar, DriveList, clientTop));

    const struct {
        Pane pane;
        QRectF twips;
    } expected[] = {
        {Pane::Drive, QRectF(40, Toolbar + 10, 3950, 0)},
        {Pane::Folders, QRectF(40, Toolbar + DriveList + 50, 3950, 3840)},
        {Pane::Files, QRectF(4030, Toolbar, 7690, 4230)},
        {Pane::LogTitle, QRectF(40, 4890, 3950, 270)},
        {Pane::DataTitle, QRectF(4030, 4890, 7690, 270)},
        {Pane::Text, QRectF(4030, 5130, 7690, 3650)},
        {Pane::Log, QRectF(40, 5130, 3950, 3650)},
        {Pane::Image, QRectF(4030, 5130, 7690, 3750)},
    };
    for (const auto &pane : expected) {
        const QRect actual = window.widget(pane.pane)->geometry();
        const QRectF pixels(pane.twips.left() / 15, (pane.twips.top() - clientTop) / 15,
                            pane.twips.width() / 15,
                            pane.pane == Pane::Drive ? PaneWidgets::DriveHeight : pane.twips.height() / 15);
        QVERIFY2(near(actual.x(), pixels.x(), 1) && near(actual.y(), pixels.y(), 1) &&
                     near(actual.width(), pixels.width(), 1) && near(actual.height(), pixels.height(), 1),
                 qPrintable(QStringLiteral("pane %1 at %2 instead of %3")
                                .arg(int(pane.pane))
                                .arg(describe(QRectF(actual)), describe(pixels))));
    }
}

void tst_MainLayout::applyStopsAtFirstImpossibleMove_data()
{
    QTest::addColumn<double>("w");
    QTest::addColumn<double>("h");
    QTest::addColumn<int>("moved");

    QTest::newRow("just too low") << 12000.0 << 6349.0 << 5;
    QTest::newRow("room for the picture only") << 12000.0 << 6300.0 << 5;
    QTest::newRow("the height it is set to") << 12000.0 << 6170.0 << 5;
    QTest::newRow("flat") << 12000.0 << 0.0 << 5;
    QTest::newRow("too narrow for the right column") << 300.0 << 10000.0 << 2;
    QTest::newRow("too narrow for anything") << 120.0 << 10000.0 << 0;
}

void tst_MainLayout::applyStopsAtFirstImpossibleMove()
{
    QFETCH(double, w);
    QFETCH(double, h);
    QFETCH(int, moved);

    PaneWidgets window;
    QVERIFY(!MainLayout::apply(window.panes(), w, h, Toolbar, DriveList, 0));

    const QList<MainLayout::Move> moves = MainLayout::moves(w, h, Toolbar, DriveList);
    for (int i = 0; i < int(Order.size()); ++i) {
        const Pane pane = Order[std::size_t(i)];
        const QRect actual = window.widget(pane)->geometry();
        if (i >= moved) {
            QCOMPARE(actual, pane == Pane::Drive ? PaneWidgets::unmovedDrive() : PaneWidgets::unmoved());
            continue;
        }
        const QRectF twips = placed(moves, pane);
        QVERIFY2(near(actual.x(), twips.left() / 15, 1) && near(actual.y(), twips.top() / 15, 1) &&
                     near(actual.width(), twips.width() / 15, 1),
                 qPrintable(QStringLiteral("pane %1 not moved").arg(i)));
    }
}

QTEST_MAIN(tst_MainLayout)
#include "tst_MainLayout.moc"
