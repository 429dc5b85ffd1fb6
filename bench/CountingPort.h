// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/LineClock.h"
#include "platform/serial/SerialPort.h"
#include "platform/serial/SerialSettings.h"

#include <QElapsedTimer>

#include <cmath>
#include <functional>
#include <memory>
#include <utility>

// A port for sends too long to keep: a wire of the configured rate on a LineClock, counted down as
// a UART's driver counts its queue, and a machine that asks with DC1 once the port opens and then
// takes everything. What reached the machine is kept as a count and a hash, never as bytes.
class CountingPort final : public SerialPort {
public:
    explicit CountingPort(LineClock &clock)
        : m_clock(clock), m_dc1(clock.alarm(this, [this] { emit OnComm(Receive); }))
    {
        m_wall.start();
    }

    QString deviceName(int port) const override { return QStringLiteral("counting COM%1").arg(port); }
    int commPort() const override { return 1; }
    bool setCommPort(int) override { return true; }
    QString settings() const override { return m_settings.toString(); }
    bool setSettings(const QString &text) override
    {
        const std::optional<SerialSettings> parsed = SerialSettings::parse(text);
        if (parsed)
            m_settings = *parsed;
        return parsed.has_value();
    }
    bool setHandshaking(bool) override { return true; }
    void setInputLen(int) override {}
    void setInputLatency(int) override {}
    bool portOpen() const override { return m_open; }
    bool setPortOpen(bool open) override
    {
        m_open = open;
        if (open) {
            m_input = "\x11";
            m_dc1->start(qint64(std::ceil(characterUs())));
        }
        return true;
    }
    bool output(const QByteArray &bytes) override
    {
        const double now = double(m_clock.nowUs());
        m_wireFreeUs = std::max(m_wireFreeUs, now) + double(bytes.size()) * characterUs();
        for (const char byte : bytes)
            hash = (hash ^ quint8(byte)) * 0x100000001b3ull;
        count += bytes.size();
        if (count > headerBytes && firstBodyNs < 0)
            firstBodyNs = m_wall.nsecsElapsed() - dc1Ns;
        if (afterOutput)
            afterOutput(count);
        return true;
    }
    qint64 outBufferCount() const override
    {
        const double left = m_wireFreeUs - double(m_clock.nowUs());
        return left > 0 ? qint64(std::ceil(left / characterUs())) : 0;
    }
    bool discardOutput() override
    {
        m_wireFreeUs = double(m_clock.nowUs());
        return true;
    }
    QByteArray input() override
    {
        if (!m_input.isEmpty())
            dc1Ns = m_wall.nsecsElapsed();
        return std::exchange(m_input, {});
    }
    QString errorString() const override { return {}; }

    double characterUs() const { return 1e6 / m_settings.charactersPerSecond(); }

    // FNV-1a of every byte that reached the machine, and how many.
    static constexpr quint64 HashStart = 0xcbf29ce484222325ull;
    quint64 hash = HashStart;
    qint64 count = 0;
    // Bytes before the program's own, and the real time from the DC1 being read to the first of those.
    qint64 headerBytes = 0;
    qint64 dc1Ns = -1;
    qint64 firstBodyNs = -1;
    std::function<void(qint64 count)> afterOutput;

private:
    LineClock &m_clock;
    std::unique_ptr<LineClock::Alarm> m_dc1;
    SerialSettings m_settings;
    QElapsedTimer m_wall;
    QByteArray m_input;
    double m_wireFreeUs = 0;
    bool m_open = false;
};
