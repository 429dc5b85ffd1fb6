// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

#include <optional>

// The line parameters of a settings text such as "4800,E,7,2": baud rate, parity, data bits, stop bits.
class SerialSettings final {
public:
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    // Takes the text as a whole or not at all; on failure *error says which piece is wrong.
    static std::optional<SerialSettings> parse(const QString &text, QString *error = nullptr);

    qint32 baudRate() const { return m_baudRate; }
    Parity parity() const { return m_parity; }
    int dataBits() const { return m_dataBits; } // 4 to 8; the device may refuse some
    StopBits stopBits() const { return m_stopBits; }
    QChar parityLetter() const;   // lower case: 'n', 'e', 'o', 'm' or 's'
    QString stopBitsText() const; // "1", "1.5" or "2"

    // Bits on the wire for one character: start, data, parity, stop.
    double bitsPerCharacter() const;
    double charactersPerSecond() const { return m_baudRate / bitsPerCharacter(); }

    // The read-back form, parity in lower case: "4800,e,7,2".
    QString toString() const;

    friend bool operator==(const SerialSettings &, const SerialSettings &) = default;

private:
    qint32 m_baudRate = 9600;
    Parity m_parity = Parity::None;
    int m_dataBits = 8;
    StopBits m_stopBits = StopBits::One;
};
