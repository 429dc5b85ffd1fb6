// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/TransferRig.h"
#include "transfer/engine/TransferLine.h"

#include <QTest>

namespace {

const QString Parity = QStringLiteral("ﾊﾟﾘﾃｨ ｴﾗｰが発生しました。"),
              Frame = QStringLiteral("ﾌﾚｰﾐﾝｸﾞ ｴﾗｰが発生しました。");

QString times(const QString &line, int count)
{
    return line + QStringLiteral("（%1回）").arg(count);
}

} // namespace

// A line that reports its states over and over, as a noisy line or a device server does, logs each
// state once and then its count, not a line a report.
class tst_LineStateReports : public QObject {
    Q_OBJECT

private slots:
    void repeatsAreCounted_data()
    {
        QTest::addColumn<QStringList>("steps"); // "feed:" bytes the machine punches; "PF*n": reports
                                                // P(arity), F(rame) in turn, n times; "tally": a pause
        QTest::addColumn<QStringList>("log");
        const QString reading = QStringLiteral("A.MINを読込中です..."),
                      hit = QStringLiteral("A.MINの受信中に回線エラーがありました。"),
                      ended = QStringLiteral("受信を終了しました。");
        const QString begin = "feed:$A.MIN%\r\nG0", end = "feed:1\r\n%";
        QTest::newRow("a burst") << QStringList{begin, "P*1000", end}
                                 << QStringList{reading, Parity, times(Parity, 1000), hit, ended};
        QTest::newRow("two states in turn")
            << QStringList{begin, "FP*500", end}
            << QStringList{reading, Frame, Parity, times(Frame, 500), times(Parity, 500), hit, ended};
        QTest::newRow("told after a pause, then as it grows")
            << QStringList{begin, "P*10", "tally", "P*5", "tally", "tally", end}
            << QStringList{reading, Parity, times(Parity, 10), times(Parity, 15), hit, ended};
        QTest::newRow("another line between starts a new count")
            << QStringList{"P*2", begin, "P*3", end}
            << QStringList{Parity, times(Parity, 2), reading, Parity, times(Parity, 3), hit, ended};
        QTest::newRow("once is said once")
            << QStringList{begin, "F*1", "tally", end} << QStringList{reading, Frame, hit, ended};
    }

    void repeatsAreCounted()
    {
        QFETCH(QStringList, steps);
        TransferRig rig(0, 1);
        rig.commands.mnuTransInput_Click();
        QString last;
        for (const QString &step : steps) {
            if (step.startsWith(QLatin1String("feed:"))) {
                rig.port.feed(step.mid(5).toLatin1());
            } else if (step == QLatin1String("tally")) {
                QTRY_VERIFY(rig.log().contains(last)); // the reports have reached the line
                rig.lineClock.advance(TransferLine::RepeatsToldAfterUs);
            } else {
                const QStringList kinds = step.split(u'*');
                for (int i = 0; i < kinds.at(1).toInt(); ++i) {
                    for (const QChar kind : kinds.at(0))
                        emit rig.port.OnComm(kind == u'P' ? SerialPort::Parity : SerialPort::Frame);
                }
                last = kinds.at(0).endsWith(u'P') ? Parity : Frame;
            }
            rig.lineClock.runUntil([&rig] { return rig.port.waiting() == 0; });
        }
        QTRY_VERIFY(rig.finish());
        QStringList log = rig.log();
        const QString hit = QStringLiteral("回線エラーがありました。");
        for (QString &line : log) { // what is said of the backup, if any, does not matter here
            if (line.contains(hit))
                line = line.left(line.indexOf(hit) + hit.size());
        }
        QTEST(log, "log");
    }
};

QTEST_MAIN(tst_LineStateReports)
#include "tst_LineStateReports.moc"
