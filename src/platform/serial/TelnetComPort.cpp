// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/serial/TelnetComPort.h"

#include "platform/serial/SerialPort.h"

namespace {

constexpr unsigned char Iac = 255, Dont = 254, Do = 253, Wont = 252, Will = 251, Sb = 250, Se = 240;
constexpr unsigned char Binary = 0, SuppressGoAhead = 3;
constexpr unsigned char ComPort = TelnetComPort::ComPortOption;
// Client commands; the server answers each with the command plus 100.
constexpr unsigned char SetBaudRate = 1, SetDataSize = 2, SetParity = 3, SetStopSize = 4, SetControl = 5,
                        SetLineStateMask = 10, SetModemStateMask = 11, PurgeData = 12;
constexpr unsigned char NotifyLineState = 106;
constexpr unsigned char NoFlowControl = 1, PurgeServerTransmit = 2;
// Line-state bits and the events they raise, in the order a local port raises them.
constexpr struct {
    unsigned char bit;
    int event;
} LineStateEvents[] = {{0x10, SerialPort::Break},
                       {0x08, SerialPort::Frame},
                       {0x02, SerialPort::Overrun},
                       {0x04, SerialPort::Parity}};
constexpr unsigned char ReportedLineStates = 0x10 | 0x08 | 0x04 | 0x02;

// The options each side takes on when asked.
bool acceptsLocally(unsigned char option)
{
    return option == Binary || option == SuppressGoAhead || option == ComPort;
}

bool acceptsRemotely(unsigned char option)
{
    return option == Binary || option == SuppressGoAhead;
}

template <typename... Byte> QByteArray bytesOf(Byte... byte)
{
    const char bytes[] = {char(byte)...};
    return QByteArray(bytes, sizeof...(byte));
}

QByteArray command(unsigned char verb, unsigned char option)
{
    return bytesOf(Iac, verb, option);
}

QByteArray comPortCommand(unsigned char code, QByteArrayView value)
{
    return bytesOf(Iac, Sb, ComPort, code) + TelnetComPort::escaped(value) + bytesOf(Iac, Se);
}

int parityCode(SerialSettings::Parity parity)
{
    switch (parity) {
    case SerialSettings::Parity::None:
        return 1;
    case SerialSettings::Parity::Odd:
        return 2;
    case SerialSettings::Parity::Even:
        return 3;
    case SerialSettings::Parity::Mark:
        return 4;
    case SerialSettings::Parity::Space:
        return 5;
    }
    return 1;
}

int stopCode(SerialSettings::StopBits stopBits)
{
    switch (stopBits) {
    case SerialSettings::StopBits::One:
        return 1;
    case SerialSettings::StopBits::Two:
        return 2;
    case SerialSettings::StopBits::OneAndHalf:
        return 3;
    }
    return 1;
}

} // namespace

QByteArray TelnetComPort::opening()
{
    m_local.fill(State::No);
    m_remote.fill(State::No);
    m_parse = Parse::Data;
    m_comPortRefused = false;
    m_data.clear();
    m_reply.clear();
    m_lineErrors.clear();
    m_answers.fill(std::nullopt);
    m_local[ComPort] = m_local[Binary] = State::WantYes;
    m_remote[Binary] = m_remote[SuppressGoAhead] = State::WantYes;
    return command(Will, ComPort) + command(Will, Binary) + command(Do, Binary) +
           command(Do, SuppressGoAhead);
}

qsizetype TelnetComPort::feed(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const auto byte = static_cast<unsigned char>(c);
        switch (m_parse) {
        case Parse::Data:
            if (byte == Iac)
                m_parse = Parse::Iac;
            else
                m_data += c;
            break;
        case Parse::Iac:
            m_parse = Parse::Data;
            if (byte == Iac) {
                m_data += c;
            } else if (byte >= Will) {
                m_verb = byte;
                m_parse = Parse::Option;
            } else if (byte == Sb) {
                m_sub.clear();
                m_parse = Parse::Subnegotiation;
            } // anything else (NOP, data mark, go ahead) carries nothing here
            break;
        case Parse::Option:
            option(m_verb, byte);
            m_parse = Parse::Data;
            break;
        case Parse::Subnegotiation:
            if (byte == Iac)
                m_parse = Parse::SubnegotiationIac;
            else if (m_sub.size() < 64) // none of the server's is longer
                m_sub += c;
            break;
        case Parse::SubnegotiationIac:
            if (byte == Iac) {
                m_sub += c;
                m_parse = Parse::Subnegotiation;
            } else {
                m_parse = Parse::Data;
                if (byte == Se && subnegotiation())
                    return i + 1;
            }
            break;
        }
    }
    return bytes.size();
}

// RFC 1143's rule, for the few options either side takes on: answer a request only when it changes
// the option's state, so that two sides never answer each other for ever. An option turned down
// stays down: a server that asks for it again and again gets one answer, not one each.
void TelnetComPort::option(unsigned char verb, unsigned char option)
{
    const bool local = verb == Do || verb == Dont;
    State &state = local ? m_local[option] : m_remote[option];
    if (state == State::Refused)
        return;
    const bool wanted = verb == Do || verb == Will;
    if (wanted) {
        if (state == State::No) {
            const bool accepts = local ? acceptsLocally(option) : acceptsRemotely(option);
            m_reply += command(local ? (accepts ? Will : Wont) : (accepts ? Do : Dont), option);
            state = accepts ? State::Yes : State::Refused;
        } else {
            state = State::Yes;
        }
        return;
    }
    if (state == State::Yes)
        m_reply += command(local ? Wont : Dont, option);
    if (local && option == ComPort && state != State::No)
        m_comPortRefused = true;
    state = State::No;
}

// True when this answer completes the line's settings.
bool TelnetComPort::subnegotiation()
{
    if (m_sub.size() < 3 || static_cast<unsigned char>(m_sub.at(0)) != ComPort)
        return false;
    const auto code = static_cast<unsigned char>(m_sub.at(1));
    const QByteArray value = m_sub.mid(2);
    if (code == NotifyLineState) {
        for (const auto &error : LineStateEvents) {
            if (static_cast<unsigned char>(value.at(0)) & error.bit)
                m_lineErrors << error.event;
        }
        return false;
    }
    if (code < SetBaudRate + 100 || code > SetControl + 100)
        return false;
    const bool answered = lineAnswered();
    quint32 number = 0;
    if (code == SetBaudRate + 100) {
        for (int i = 0; i < 4 && i < value.size(); ++i)
            number = number << 8 | static_cast<unsigned char>(value.at(i));
    } else {
        number = static_cast<unsigned char>(value.at(0));
    }
    m_answers[code - 100 - SetBaudRate] = number;
    return !answered && lineAnswered();
}

QByteArray TelnetComPort::takeData()
{
    return std::exchange(m_data, {});
}

QByteArray TelnetComPort::takeReply()
{
    return std::exchange(m_reply, {});
}

QList<int> TelnetComPort::takeLineErrors()
{
    return std::exchange(m_lineErrors, {});
}

QByteArray TelnetComPort::escaped(QByteArrayView data)
{
    QByteArray bytes = data.toByteArray();
    return bytes.contains(char(Iac)) ? bytes.replace(QByteArray(1, char(Iac)), QByteArray(2, char(Iac)))
                                     : bytes;
}

QByteArray TelnetComPort::lineRequest(const SerialSettings &settings)
{
    m_answers.fill(std::nullopt);
    const quint32 baud = quint32(settings.baudRate());
    const char baudBytes[] = {char(baud >> 24), char(baud >> 16), char(baud >> 8), char(baud)};
    const auto one = [](int value) { return QByteArray(1, char(value)); };
    return comPortCommand(SetBaudRate, QByteArrayView(baudBytes, 4)) +
           comPortCommand(SetDataSize, one(settings.dataBits())) +
           comPortCommand(SetParity, one(parityCode(settings.parity()))) +
           comPortCommand(SetStopSize, one(stopCode(settings.stopBits()))) +
           comPortCommand(SetControl, one(NoFlowControl)) +
           comPortCommand(SetLineStateMask, one(ReportedLineStates)) +
           comPortCommand(SetModemStateMask, one(0));
}

bool TelnetComPort::lineAnswered() const
{
    for (const std::optional<quint32> &answer : m_answers) {
        if (!answer)
            return false;
    }
    return true;
}

QStringList TelnetComPort::changedPieces(const SerialSettings &settings) const
{
    QStringList changed;
    if (m_answers[0] != quint32(settings.baudRate()))
        changed << QStringLiteral("通信速度");
    if (m_answers[1] != quint32(settings.dataBits()))
        changed << QStringLiteral("データビット");
    if (m_answers[2] != quint32(parityCode(settings.parity())))
        changed << QStringLiteral("パリティ");
    if (m_answers[3] != quint32(stopCode(settings.stopBits())))
        changed << QStringLiteral("ストップビット");
    if (m_answers[4] != NoFlowControl)
        changed << QStringLiteral("フロー制御");
    return changed;
}

QByteArray TelnetComPort::purgeOutput()
{
    return comPortCommand(PurgeData, QByteArray(1, char(PurgeServerTransmit)));
}
