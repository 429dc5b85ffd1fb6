// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/LineClock.h"
#include "platform/serial/SerialPort.h"
#include "platform/serial/SerialSettings.h"
#include "support/LineModel.h"

#include <QList>

#include <functional>
#include <memory>
#include <optional>

// A serial line with a machine reading a program at its far end, timed on a LineClock: characters leave
// back to back, one character time apart, through the driver's queue and whatever the model puts below
// it, and the machine holds the sender with DC3 and DC1 as a drip-feeding controller does. What reached
// the machine, and how well the line was kept busy, is recorded to judge a sender by.
class UartLine final : public SerialPort {
    Q_OBJECT
public:
    explicit UartLine(LineClock &clock, const LineModel &model = LineModel::idealUart(),
                      QObject *parent = nullptr);
    ~UartLine() override;

    QString deviceName(int port) const override { return QStringLiteral("uart COM%1").arg(port); }
    int commPort() const override { return m_port; }
    bool setCommPort(int port) override
    {
        m_port = port;
        return true;
    }
    QString settings() const override { return m_settings.toString(); }
    bool setSettings(const QString &settings) override;
    bool setHandshaking(bool) override { return true; }
    void setInputLen(int length) override { m_inputLen = length; }
    void setInputLatency(int) override {}
    bool portOpen() const override { return m_open; }
    bool setPortOpen(bool open) override; // a close without a discard lets the queue drain
    bool output(const QByteArray &bytes) override;
    // The driver's queue; with no buffer below it, the character in the shift register too.
    qint64 outBufferCount() const override;
    bool setOutputFlowControl(bool on) override;
    LineHardware hardware() const override;
    std::optional<bool> transmitterEmpty() const override; // below the count; a pty cannot tell
    bool discardOutput() override; // the driver's queue: what lies below it still goes
    QByteArray input() override;
    QString errorString() const override { return m_error; }

    // The machine.
    int dc3Every = 0;                      // DC3 once this many characters came since its DC1; 0: never
    int dc1AfterMs = 0;                    // ... and DC1 this long after the DC3
    bool dc1OnOpen = false;                // asks for data as soon as the port opens
    std::function<void(char)> onCharacter; // each character as it reaches the machine
    // DC3 now and no DC1 after it, as a control may end its reading; from onCharacter too.
    void machineStops();

    // What the line did.
    double characterUs() const { return 1e6 / m_settings.charactersPerSecond(); }
    QByteArray received() const { return m_received; }
    // For each DC3: the characters that reached the machine after it until the machine sent DC1.
    QList<int> afterDc3() const { return m_afterDc3; }
    int maxAfterDc3() const;
    // The line stood idle between characters while the machine was not holding the sender (from its
    // DC3 until its DC1 has arrived), in µs.
    QList<qint64> idleGaps() const { return m_idleGaps; }
    // Time spent sending over that time plus the idle gaps: 1 for a sender that never lets it rest.
    double utilisation() const;
    // Characters that started out after discardOutput(), and that left the driver's queue while the
    // port was closed, since it opened.
    int sentAfterDiscard() const { return m_sentAfterDiscard; }
    int sentAfterClose() const { return m_sentAfterClose; }

private:
    struct Hold {
        double fromUs;
        double toUs;
    };
    struct Heard {
        char c;
        double seenAtUs;
    };

    void catchUp();
    void schedule();
    void onAlarm();
    double nextEventUs() const;
    double receiveDelayUs() const;
    void startCharacter(char c);
    void moveDown();
    void characterSent();
    void machineReceives(char c);
    void machineSends(const QByteArray &bytes);
    void sendDc3();
    void replyArrived();
    void replySeen();
    void recordIdle(double fromUs, double toUs);

    LineClock &m_clock;
    const LineModel m_model;
    std::unique_ptr<LineClock::Alarm> m_alarm;
    SerialSettings m_settings;
    int m_port = 1;
    int m_inputLen = 0;
    bool m_open = false;
    QString m_error;

    double m_nowUs = 0; // the moment being played: an event's time while catching up
    bool m_catchingUp = false;
    bool m_announce = false;        // received bytes to raise
    QByteArray m_queue;             // the driver's
    QByteArray m_below;             // the model's buffer below it
    std::optional<char> m_shifting; // on the wire...
    double m_sentAtUs = 0;          // ... until then
    QByteArray m_replies;           // the machine's; the first is on the wire until then
    double m_replySentAtUs = 0;
    QList<Heard> m_heard; // arrived, not yet seen
    std::optional<double> m_dc1AtUs;
    QByteArray m_input;
    bool m_discarded = false;
    bool m_flowControl = false;
    bool m_kernelStopped = false;
    bool m_chipStopped = false;

    QByteArray m_received;
    int m_sinceDc1 = 0;
    bool m_countingAfterDc3 = false;
    QList<int> m_afterDc3;
    QList<Hold> m_holds;
    std::optional<double> m_lastSentUs;
    double m_busyUs = 0;
    double m_idleUs = 0;
    QList<qint64> m_idleGaps;
    int m_sentAfterDiscard = 0;
    int m_sentAfterClose = 0;
};
