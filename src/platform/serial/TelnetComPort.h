// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/serial/SerialSettings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QStringList>

#include <array>
#include <optional>

// The client's side of a Telnet connection with the COM port control option (RFC 2217), without the
// connection itself: what to say and what the server's bytes mean. Data keeps every byte value: IAC
// (0xFF) is doubled on the way out and undoubled on the way in; both directions ask for binary mode.
class TelnetComPort final {
public:
    // Offers sent once connected; resets what the server said before.
    QByteArray opening();
    // Interprets the server's bytes; what they hold waits in the take*() functions. Stops right after
    // the answer that completes the line's settings, so that the data held before it can be told from
    // the data after it; returns how many bytes it took.
    qsizetype feed(QByteArrayView bytes);
    QByteArray takeData();
    QByteArray takeReply();      // answers to the server's option requests
    QList<int> takeLineErrors(); // OnComm event numbers, in order of arrival

    // The server agreed to let the line be set, or turned the option down.
    bool comPortAgreed() const { return m_local[ComPortOption] == State::Yes; }
    bool comPortRefused() const { return m_comPortRefused; }

    static QByteArray escaped(QByteArrayView data);
    // Sets the line and asks for break, framing, parity and overrun reports; the server answers each
    // setting with the value now in force. Forgets the answers to an earlier request.
    QByteArray lineRequest(const SerialSettings &settings);
    bool lineAnswered() const;
    // The pieces of the line the server answered otherwise than asked ("データビット" ...).
    QStringList changedPieces(const SerialSettings &settings) const;
    // Throws away what the server still holds to send to the device.
    static QByteArray purgeOutput();

    static constexpr unsigned char ComPortOption = 44;

private:
    // Refused: turned down once, and not answered again however often the server asks.
    enum class State { No, WantYes, Yes, Refused };
    enum class Parse { Data, Iac, Option, Subnegotiation, SubnegotiationIac };

    void option(unsigned char verb, unsigned char option);
    bool subnegotiation();

    std::array<State, 256> m_local{};  // what this side does (WILL)
    std::array<State, 256> m_remote{}; // what the server does (DO)
    Parse m_parse = Parse::Data;
    unsigned char m_verb = 0;
    QByteArray m_sub;
    QByteArray m_data;
    QByteArray m_reply;
    QList<int> m_lineErrors;
    std::array<std::optional<quint32>, 5> m_answers; // baud rate, data size, parity, stop size, control
    bool m_comPortRefused = false;
};
