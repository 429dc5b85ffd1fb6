// SPDX-License-Identifier: GPL-2.0-or-later
#include "print/ListingPrinter.h"
#include "support/RecordingPrintSurface.h"

#include <QTest>

using Text = RecordingPrintSurface::Text;
using Line = RecordingPrintSurface::Line;

// The layout of listings on a surface with fixed metrics: at 10 points a character is 2 mm wide
// (4 mm from the CJK blocks on) and a line 4 mm high; the page is 200 by 280 mm unless a case says.
class tst_ListingPrinter : public QObject {
    Q_OBJECT

    RecordingPrintSurface surface;
    PrintOptions options;

    // Prints one file as one job and returns its body lines page by page.
    QList<QStringList> print(const QString &text, const QString &date = {})
    {
        ListingPrinter listing(options, surface);
        if (const QString refusal = listing.PreparePrinter(); !refusal.isEmpty())
            qFatal("refused: %s", qPrintable(refusal));
        surface.beginDocument(QStringLiteral("O1000.MIN"));
        listing.startFile(QStringLiteral("O1000.MIN"), date);
        listing.PrintListingBody(text);
        surface.endDocument();
        QList<QStringList> pages;
        for (int page = 1; page <= surface.pages; ++page)
            pages.append(surface.body(page));
        return pages;
    }

    static QString lines(int from, int to)
    {
        QStringList numbered;
        for (int i = from; i <= to; ++i)
            numbered.append(QStringLiteral("L%1").arg(i));
        return numbered.join(QStringLiteral("\r\n"));
    }

private slots:
    void init()
    {
        surface = RecordingPrintSurface();
        options = PrintOptions();
        options.PrintFontSize = 10;
    }

    void oneColumnPageInMillimetres()
    {
        options.PrintFontName = QStringLiteral("ＭＳ 明朝");
        options.PrinterOrientation = PageOrientation::Landscape;
        surface.page = {280, 200}; // landscape turns it to 200 by 280
        print(QStringLiteral("G01 X1\r\nM30"), QStringLiteral("更新日 2026.03.04"));
        QCOMPARE(surface.orientation, 2);
        QCOMPARE(surface.font, QStringLiteral("ＭＳ 明朝"));
        QCOMPARE(surface.texts, (QList<Text>{{1, 10, 4, QStringLiteral("更新日 2026.03.04")},
                                             {1, 101, 4, QStringLiteral("O1000.MIN")},
                                             {1, 188, 4, QStringLiteral("Page 1")},
                                             {1, 10, 16, QStringLiteral("G01 X1")},
                                             {1, 10, 20, QStringLiteral("M30")}}));
        QCOMPARE(surface.lines, (QList<Line>{{1, 10, 8.8, 200, 8.8, 3}}));
    }

    // A page of 40 mm holds the body lines at 16, 20 ... 36 mm: six to a column.
    void twoColumnsFillDownThenAcrossThenOver()
    {
        options.PrintLineNo = PrintOptions::Columns::Two;
        surface.page = {200, 40};
        const QList<QStringList> pages = print(lines(1, 14));
        QCOMPARE(pages, (QList<QStringList>{QString(lines(1, 12)).split(QStringLiteral("\r\n")),
                                            {QStringLiteral("L13"), QStringLiteral("L14")}}));
        const QList<Text> expected = {{2, 101, 4, QStringLiteral("O1000.MIN")},
                                      {2, 188, 4, QStringLiteral("Page 2")},
                                      {2, 10, 16, QStringLiteral("L13")}};
        for (const Text &text : expected)
            QVERIFY2(surface.texts.contains(text), qPrintable(text.text));
        QCOMPARE(surface.lines.size(), 2);
        QCOMPARE(surface.ended, QList<int>{2});
    }

    // Two columns of a page 280 mm high: the body starts 4 h down, h = 0.4 points rounded; the rule ends at
    // the page's width less the right margin, and that and the second column's start round half to even.
    void layout_data()
    {
        QTest::addColumn<double>("pageWidth");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("points");
        QTest::addColumn<double>("top"); // the first body line: 4 h
        QTest::addColumn<int>("perColumn");
        QTest::addColumn<double>("r");
        QTest::addColumn<int>("fit"); // characters a column holds
        QTest::addColumn<double>("second");
        // clang-format off
        QTest::newRow("h rounds up") << 200.0 << 10 << 0 << 12 << 20.0 << 54 << 200.0 << 34 << 111.0;
        QTest::newRow("r half to even") << 200.5 << 10 << 0 << 10 << 16.0 << 66 << 200.0 << 42 << 111.0;
        QTest::newRow("r half up to even") << 201.5 << 10 << 0 << 10 << 16.0 << 66 << 202.0 << 42 << 112.0;
        QTest::newRow("odd width halves") << 201.0 << 10 << 0 << 10 << 16.0 << 66 << 201.0 << 42 << 112.0;
        QTest::newRow("right margin") << 200.0 << 15 << 7 << 10 << 16.0 << 66 << 193.0 << 39 << 112.0;
        QTest::newRow("negative margins count as 0") << 200.0 << -5 << -9 << 10 << 16.0 << 66 << 200.0 << 44 << 101.0;
        // clang-format on
    }

    void layout()
    {
        QFETCH(double, pageWidth);
        QFETCH(int, left);
        QFETCH(int, points);
        QFETCH(int, perColumn);
        QFETCH(int, fit);
        surface.page = {pageWidth, 280};
        QFETCH(int, right);
        options = {QStringLiteral("ＭＳ 明朝"), points, PageOrientation::Portrait, left, right,
                   PrintOptions::Columns::Two, PrintOptions::HeaderDate::None};
        print(QString(fit + 1, u'X') + QStringLiteral("\r\n") + lines(2, perColumn + 2));
        QCOMPARE(surface.lines.constFirst().x1, double(qMax(0, left)));
        QTEST(surface.lines.constFirst().x2, "r");
        QList<Text> body;
        for (const Text &text : std::as_const(surface.texts))
            if (text.page == 1 && text.y > surface.lines.constFirst().y1)
                body.append(text);
        QCOMPARE(body[0].text.size(), fit);
        QTEST(body[0].y, "top");
        QCOMPARE(body[perColumn - 1].x, double(qMax(0, left)));
        QCOMPARE(body[perColumn].y, body[0].y);
        QTEST(body[perColumn].x, "second");
    }

    // A print that could never advance is refused before any job starts.
    void refusals_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        QTest::addColumn<QString>("reason");
        const QString large = QStringLiteral("フォントが大きすぎるため印刷が出来ません。");
        const QString wide = QStringLiteral("余白が広すぎるため印刷が出来ません。");
        QTest::newRow("four lines a page") << 142 << 10 << 0 << large; // h 57, n 4
        QTest::newRow("not one line") << 1000 << 10 << 0 << large;
        QTest::newRow("tiny font") << 1 << 10 << 0
                                   << QStringLiteral("フォントが小さすぎるため印刷が出来ません。");
        QTest::newRow("no character fits") << 10 << 179 << 10 << wide;
        QTest::newRow("margins beyond the page") << 10 << 300 << 0 << wide;
        QTest::newRow("right margin beyond the page") << 10 << 0 << 500 << wide;
    }

    void refusals()
    {
        QFETCH(int, points);
        QFETCH(int, left);
        QFETCH(int, right);
        options.PrintFontSize = points;
        options.LeftMerge = left;
        options.RightMerge = right;
        ListingPrinter listing(options, surface);
        QTEST(listing.PreparePrinter(), "reason");
    }

    void fewestPrintableSettingsStillPrint()
    {
        options.PrintFontSize = 130; // h 52, n 5: one body line a page
        options.LeftMerge = 0;
        const QList<QStringList> pages = print(QStringLiteral("A\r\nB"));
        QCOMPARE(pages, (QList<QStringList>{{QStringLiteral("A")}, {QStringLiteral("B")}}));
        init();
        options.LeftMerge = 188; // a 12 mm column: one character and the allowance
        QCOMPARE(print(QStringLiteral("ABC")).constFirst(),
                 (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    }

    // At 10 points a 190 mm column takes 90 characters: their width and 10 mm stay within it.
    void wrapping_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("printed");
        const QString full(90, u'X');
        QTest::newRow("empty file") << QString() << QStringList();
        QTest::newRow("exactly the column") << full << QStringList{full};
        QTest::newRow("one over, last line wraps too")
            << full + u'Y' << QStringList{full, QStringLiteral("Y")};
        QTest::newRow("every line break")
            << QStringLiteral("A\nB\rC\r\nD") << QStringList{"A", "B", "C", "D"};
        QTest::newRow("empty lines") << QStringLiteral("A\r\n\r\n\n\rB") << QStringList{"A", "", "", "", "B"};
        QTest::newRow("final break adds nothing") << QStringLiteral("A\r\nB\r\n") << QStringList{"A", "B"};
        QTest::newRow("CR before the end") << QStringLiteral("A\r") << QStringList{"A"};
        QTest::newRow("wide characters") << QString(46, u'あ') << QStringList{QString(45, u'あ'), "あ"};
        QTest::newRow("mixed widths")
            << QString(88, u'X') + QStringLiteral("ああ") << QStringList{QString(88, u'X') + u'あ', "あ"};
        QTest::newRow("no pair split") << QString(88, u'X') + QStringLiteral("\U00020B9F")
                                       << QStringList{QString(88, u'X'), QStringLiteral("\U00020B9F")};
        QTest::newRow("tabs kept") << QStringLiteral("\tN10") << QStringList{"\tN10"};
    }

    void wrapping()
    {
        QFETCH(QString, text);
        const QList<QStringList> pages = print(text);
        QTEST(pages.constFirst(), "printed");
    }

    // Where the single-character widths mislead, the wrap is still where growing starts would put it.
    void wrapMatchesMeasuringEveryStart_data()
    {
        QTest::addColumn<double>("kerning");
        QTest::newRow("kerned") << 1.5;
        QTest::newRow("almost a character") << 1.9;
    }

    void wrapMatchesMeasuringEveryStart()
    {
        QFETCH(double, kerning);
        surface.kerning = kerning;
        surface.points = 10;
        const QString text = QString(QStringLiteral("AVAXV")).repeated(200);
        QStringList expected;
        for (QString rest = text; !rest.isEmpty();) {
            qsizetype k = 1;
            while (k <= rest.size() && surface.textWidth(rest.first(k)) + 10 <= 190)
                ++k;
            expected.append(rest.first(k - 1));
            rest = rest.sliced(k - 1);
        }
        QCOMPARE(print(text).constFirst(), expected);
    }

    void longLineIsMeasuredInLinearTime()
    {
        surface.page = {200, 4000};
        const QString text(65000, u'X');
        QList<QStringList> pages = print(text);
        QCOMPARE(pages.constFirst().size(), 723);
        QCOMPARE(pages.constFirst().join(QString()), text);
        QVERIFY2(surface.measured < 5 * text.size(), qPrintable(QString::number(surface.measured)));
    }

    void headerDate_data()
    {
        QTest::addColumn<int>("printDate");
        QTest::addColumn<QString>("header");
        QTest::newRow("none") << 0 << QString();
        QTest::newRow("print date") << 1 << QStringLiteral("印刷日 2026.01.02");
        QTest::newRow("file date") << 2 << QStringLiteral("更新日 1999.12.31");
    }

    void headerDate()
    {
        QFETCH(int, printDate);
        QTEST(ListingPrinter::headerDate(PrintOptions::HeaderDate(printDate), QDate(2026, 1, 2),
                                         QDate(1999, 12, 31)),
              "header");
    }
};

QTEST_APPLESS_MAIN(tst_ListingPrinter)
#include "tst_ListingPrinter.moc"
