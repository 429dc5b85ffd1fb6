// SPDX-License-Identifier: GPL-2.0-or-later
#include "ControllerSimulator.h"

#include "LinePacer.h"
#include "SimulatorLine.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

const char Dc1 = 0x11;
const char Dc3 = 0x13;
const int ResumeMark = 0; // punch marks count from 1
const int HoldMark = -1;
// The sender takes DC1 and DC3 only when each comes alone in a read, so they never go back to back.
const int FlowGapMs = 20;

} // namespace

ControllerSimulator::ControllerSimulator(Family family, QObject *parent)
    : QObject(parent), m_family(family), m_line(new SimulatorLine(this)),
      m_pacer(new LinePacer(m_line, this)), m_reader(family), m_tape(family)
{
    connect(m_line, &SimulatorLine::received, this, &ControllerSimulator::onReceived);
    connect(m_line, &SimulatorLine::failed, this, &ControllerSimulator::lineFailed);
    connect(m_pacer, &LinePacer::reached, this, &ControllerSimulator::onReached);
    connect(m_pacer, &LinePacer::idle, this, &ControllerSimulator::onIdle);
    connect(&m_dc1Repeat, &QTimer::timeout, this, &ControllerSimulator::repeatDc1);
}

ControllerSimulator::~ControllerSimulator()
{
    close();
}

bool ControllerSimulator::openPseudoTerminal()
{
    return m_line->openPseudoTerminal();
}

bool ControllerSimulator::attachMaster(int fd)
{
    return m_line->attachMaster(fd);
}

bool ControllerSimulator::openDevice(const QString &path, const QString &frame)
{
    return m_line->openDevice(path, m_baud, frame);
}

void ControllerSimulator::close()
{
    stopReading();
    m_pacer->clear();
    m_holding = false; // its DC1 will not leave
    m_punchNames.clear();
    m_punching = false;
    m_line->close();
}

bool ControllerSimulator::isOpen() const
{
    return m_line->isOpen();
}

QString ControllerSimulator::slavePath() const
{
    return m_line->slavePath();
}

qint64 ControllerSimulator::unreadByFarEnd() const
{
    return m_line->unreadByFarEnd();
}

qint64 ControllerSimulator::unreadFromFarEnd() const
{
    return m_line->unreadHere();
}

QString ControllerSimulator::errorString() const
{
    return m_line->errorString();
}

void ControllerSimulator::setLineSpeed(int baud, int bitsPerCharacter)
{
    m_baud = std::max(0, baud);
    const double rate = m_baud > 0 && bitsPerCharacter > 0 ? double(m_baud) / bitsPerCharacter : 0.0;
    m_pacer->setRate(rate);
    m_line->setReadRate(rate);
}

double ControllerSimulator::charactersPerSecond() const
{
    return m_pacer->rate();
}

void ControllerSimulator::setNoise(double rate, quint32 seed)
{
    m_noise = NoiseInjector(rate, seed);
}

void ControllerSimulator::startReading()
{
    m_reading = true;
    m_heldOff = false;
    m_holding = false;
    m_sinceDc1 = 0;
    sendFlowControl(Dc1);
    if (m_dc1RepeatMs > 0)
        m_dc1Repeat.start(m_dc1RepeatMs);
}

void ControllerSimulator::stopReading()
{
    m_reading = false;
    m_dc1Repeat.stop();
}

void ControllerSimulator::repeatDc1()
{
    if (!m_reading || m_heldOff || m_reader.insideProgram() || !m_pacer->isIdle())
        return;
    if (m_sinceArrival.isValid() && m_sinceArrival.elapsed() < m_dc1RepeatMs)
        return;
    sendFlowControl(Dc1);
}

void ControllerSimulator::sendFlowControl(char byte)
{
    m_pacer->send(QByteArray(1, byte));
}

QByteArray ControllerSimulator::masked(QByteArray bytes) const
{
    if (m_mask7) {
        for (char &byte : bytes)
            byte = char(byte & 0x7F);
    }
    return bytes;
}

double ControllerSimulator::receivedRate() const
{
    const qint64 span = m_lastArrivalNs - m_firstArrivalNs;
    return span > 0 ? double(m_rateBytes) * 1e9 / double(span) : 0.0;
}

void ControllerSimulator::onReceived(const QByteArray &arrived)
{
    const QByteArray bytes = masked(arrived);
    m_received.append(bytes);
    emit dataArrived(bytes);
    m_lastArrivalNs = LineCredit::nowNs();
    if (m_firstArrivalNs == 0)
        m_firstArrivalNs = m_lastArrivalNs;
    else
        m_rateBytes += bytes.size();
    m_sinceArrival.start();
    if (m_holding)
        countWhileHeld(bytes.size());

    for (const char byte : bytes) {
        const ProgramReader::Event event = m_reader.take(byte);
        if (event == ProgramReader::Event::HeaderRead) {
            emit headerReceived(m_reader.currentName());
            if (m_reading && m_dc1AfterHeader && m_family == Family::Osp)
                sendFlowControl(Dc1);
        } else if (event == ProgramReader::Event::ProgramRead) {
            m_programs.append(m_reader.lastProgram());
            if (!m_heldOff)
                m_sinceDc1 = 0;
            emit programReceived(m_programs.last());
            continue;
        }
        if (!m_reading || m_dc3Every <= 0 || m_heldOff || ++m_sinceDc1 < m_dc3Every)
            continue;
        // The buffer is full: hold the sender off, work a while, then let it go on.
        m_heldOff = true;
        ++m_dc3Sent;
        sendFlowControl(Dc3);
        m_pacer->mark(HoldMark);
        m_pacer->pause(std::max(m_dc3PauseMs, FlowGapMs));
        sendFlowControl(Dc1);
        m_pacer->mark(ResumeMark);
    }
}

// A paced read takes characters that came one character time apart, the last of them now.
void ControllerSimulator::countWhileHeld(qint64 bytes)
{
    const double rate = m_pacer->rate();
    const qint64 after =
        rate > 0.0 ? std::min(bytes, qint64(std::ceil(double(m_lastArrivalNs - m_holdStartNs) * rate / 1e9)))
                   : bytes;
    const bool wasWithin = m_afterThisDc3 <= m_alarmAfter;
    m_afterThisDc3 += after;
    m_receivedWhileHeld += after;
    m_maxAfterDc3 = std::max(m_maxAfterDc3, m_afterThisDc3);
    if (m_alarmAfter > 0 && wasWithin && m_afterThisDc3 > m_alarmAfter)
        emit alarmRaised(m_afterThisDc3);
}

void ControllerSimulator::punch(const QByteArray &name, const QByteArray &body)
{
    if (!m_punchNames.isEmpty())
        m_pacer->pause(m_programPauseMs);
    m_punching = true;
    m_pacer->send(masked(m_noise.apply(m_tape.punch(name, body))));
    const int id = m_nextMark++;
    m_punchNames.insert(id, name);
    m_pacer->mark(id);
}

LineRun ControllerSimulator::punched() const
{
    return m_pacer->written();
}

void ControllerSimulator::sendRaw(const QByteArray &bytes)
{
    m_punching = true;
    m_pacer->send(masked(m_noise.apply(bytes)));
}

void ControllerSimulator::onReached(int id)
{
    if (id == HoldMark) {
        m_holdStartNs = LineCredit::nowNs();
        m_afterThisDc3 = 0;
        m_holding = true;
        return;
    }
    if (id == ResumeMark) {
        m_holding = false;
        ++m_holds;
        m_heldNs += LineCredit::nowNs() - m_holdStartNs;
        m_heldOff = false;
        m_sinceDc1 = 0;
        emit holdEnded(m_afterThisDc3);
        return;
    }
    if (m_punchNames.contains(id))
        emit programPunched(m_punchNames.take(id));
}

void ControllerSimulator::onIdle()
{
    if (std::exchange(m_punching, false))
        emit punchFinished();
}
