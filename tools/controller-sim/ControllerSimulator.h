// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "ControllerFamily.h"
#include "LineCredit.h"
#include "NoiseInjector.h"
#include "ProgramReader.h"
#include "PunchTape.h"
#include "ReceivedProgram.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

class LinePacer;
class SimulatorLine;

// A machine-tool controller at the far end of the serial line. Reading, it asks for data with DC1,
// holds the sender off with DC3 every so many bytes and keeps what arrives, split into programs.
// Punching, it sends programs framed the way its family does. Both at the pace of a real line.
class ControllerSimulator final : public QObject {
    Q_OBJECT
public:
    using Family = ControllerFamily;
    using LineEnd = PunchTape::LineEnd;

    explicit ControllerSimulator(Family family = Family::Osp, QObject *parent = nullptr);
    ~ControllerSimulator() override;

    // The line: a new pty (the far end opens slavePath()), a pty master the caller opened (taken
    // over and closed in the end), or a serial device with a frame such as "7E2".
    bool openPseudoTerminal();
    bool attachMaster(int fd);
    bool openDevice(const QString &path, const QString &frame = QStringLiteral("8N1"));
    void close();
    bool isOpen() const;
    QString slavePath() const;
    QString errorString() const;
    // Bytes sent that the far end has not read yet: known for a pty only, else -1.
    qint64 unreadByFarEnd() const;
    // Bytes the far end has sent that the simulator has not taken yet, which a paced read leaves in
    // the pty as the far end's transmit queue: known for a pty only, else -1.
    qint64 unreadFromFarEnd() const;

    Family family() const { return m_family; }

    // Line emulation, both ways on a pty. Speed 0 (the default) sends and takes as fast as the pty
    // allows; 4800 baud with 11 bits a character (7E2) carries 436 characters a second. The baud
    // rate also configures a device.
    void setLineSpeed(int baud, int bitsPerCharacter);
    double charactersPerSecond() const;
    void setMask7(bool on) { m_mask7 = on; }  // the line drops bit 7, both ways
    void setNoise(double rate, quint32 seed); // on punched data, never on DC1/DC3
    int noiseHits() const { return m_noise.hits(); }

    // Reading: what the machine loads.
    void setDc3Every(int bytes) { m_dc3Every = bytes; }                   // 0: never; default 252
    void setDc3PauseMs(int milliseconds) { m_dc3PauseMs = milliseconds; } // default 200
    void setDc1AfterHeader(bool on) { m_dc1AfterHeader = on; }            // OSP: ask again after the name
    // While no program is coming in, DC1 again at this interval, as an operator pressing READ for
    // the next program would; the sender listens for DC1 only when it is ready. 0: only once.
    void setDc1RepeatMs(int milliseconds) { m_dc1RepeatMs = milliseconds; } // default 1000
    void startReading();
    void stopReading();

    QByteArray received() const { return m_received; } // every byte that arrived, after masking
    QList<ReceivedProgram> programs() const { return m_programs; }
    bool insideProgram() const { return m_reader.insideProgram(); }
    double receivedRate() const; // characters a second between the first and the last arrival
    int dc3Sent() const { return m_dc3Sent; }
    // The holds so far, each from when DC3 has left to when DC1 has left.
    int holds() const { return m_holds; }
    double heldSeconds() const { return double(m_heldNs) / 1e9; }
    // What the sender still put on the line while held, which the line carries on as it would to a
    // controller whose buffer then overflows: every character that arrived from when a DC3 had left
    // until its DC1 had, over all holds and the most in one; holdEnded() tells each hold's count. A
    // paced read takes what the line carried since the last look, so of those characters the ones
    // that had come before the DC3 left are told apart by the line's rate.
    qint64 receivedWhileHeld() const { return m_receivedWhileHeld; }
    qint64 maxAfterDc3() const { return m_maxAfterDc3; }
    // A FANUC control takes 10 characters after its DC3 and stops with an alarm on the 11th: the
    // simulator reports alarmRaised() once in a hold that goes past this many. 0: never.
    void setAlarmAfter(int characters) { m_alarmAfter = characters; }
    LineRun arrived() const { return {m_received.size(), m_firstArrivalNs, m_lastArrivalNs}; }

    // Punching: what the machine sends. Programs queue; a pause separates queued programs.
    void setLineEnd(LineEnd lineEnd) { m_tape.setLineEnd(lineEnd); }
    void setLeader(int length, char feed = '\0') { m_tape.setLeader(length, feed); }
    void setDc2Dc4(bool on) { m_tape.setDc2Dc4(on); }
    void setProgramPauseMs(int milliseconds) { m_programPauseMs = milliseconds; }
    void punch(const QByteArray &name, const QByteArray &body); // OSP name as "O1000.MIN"
    LineRun punched() const;                                    // the latest run of punches

    void sendRaw(const QByteArray &bytes); // any bytes, paced, with noise
    bool isPunching() const { return m_punching; }

signals:
    void dataArrived(const QByteArray &bytes); // as received() grows
    void programReceived(const ReceivedProgram &program);
    void headerReceived(const QByteArray &name);
    void programPunched(const QByteArray &name);
    void punchFinished();
    void lineFailed(const QString &message);
    void holdEnded(qint64 afterDc3); // as its DC1 leaves
    void alarmRaised(qint64 afterDc3);

private:
    void onReceived(const QByteArray &bytes);
    void onReached(int id);
    void onIdle();
    void countWhileHeld(qint64 bytes);
    void sendFlowControl(char byte);
    void repeatDc1();
    QByteArray masked(QByteArray bytes) const;

    Family m_family;
    SimulatorLine *m_line;
    LinePacer *m_pacer;
    ProgramReader m_reader;
    PunchTape m_tape;
    NoiseInjector m_noise;
    QTimer m_dc1Repeat;
    QElapsedTimer m_sinceArrival;
    QByteArray m_received;
    QList<ReceivedProgram> m_programs;
    QHash<int, QByteArray> m_punchNames; // mark id to program name
    qint64 m_rateBytes = 0;              // arrived after the first arrival
    qint64 m_firstArrivalNs = 0;
    qint64 m_lastArrivalNs = 0;
    qint64 m_holdStartNs = 0;
    qint64 m_heldNs = 0;
    qint64 m_afterThisDc3 = 0;
    qint64 m_receivedWhileHeld = 0;
    qint64 m_maxAfterDc3 = 0;
    int m_alarmAfter = 0;
    int m_holds = 0;
    int m_baud = 0;
    int m_dc3Every = 252;
    int m_dc3PauseMs = 200;
    int m_dc1RepeatMs = 1000;
    int m_programPauseMs = 0;
    int m_sinceDc1 = 0; // bytes since the sender was last let go
    int m_dc3Sent = 0;
    int m_nextMark = 1;
    bool m_mask7 = false;
    bool m_dc1AfterHeader = false;
    bool m_reading = false;
    bool m_heldOff = false; // from when DC3 is queued
    bool m_holding = false; // from when DC3 has left until DC1 has
    bool m_punching = false;
};
