// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/serial/LineHardware.h"
#include "platform/serial/SerialDriverState.h"

#include <QString>

#include <functional>
#include <optional>

class SerialSettings;

// What lies below a local port's driver, looked at once the device is open: a USB adapter (known by
// its driver in sysfs), a UART under the serial core, or a pseudo-terminal. While it lives the driver
// hands received bytes over without delay where it has such a setting (an FTDI chip's latency timer);
// it is put back as found.
class SerialHardware final {
public:
    using Handle = SerialDriverState::Handle;

    // What the serial core tells of the device.
    struct Uart {
        int type = 0;         // PORT_*: 0 where no UART answered
        int transmitFifo = 0; // characters
        bool lowLatency = false;
    };
    using UartReader = std::function<bool(Handle, Uart &)>;
    // True where the driver now reports low latency as asked.
    using LowLatencyWriter = std::function<bool(Handle, bool on)>;
    // Whether the transmitter below the driver has sent all it held; empty where the driver cannot tell.
    using TransmitterReader = std::function<std::optional<bool>(Handle)>;
    static bool readUart(Handle handle, Uart &uart);
    static bool writeLowLatency(Handle handle, bool on);
    static std::optional<bool> readTransmitterEmpty(Handle handle);

    struct Probe {
        QString sysfs = QStringLiteral("/sys");
        UartReader readUart = SerialHardware::readUart;
        LowLatencyWriter writeLowLatency = SerialHardware::writeLowLatency;
        TransmitterReader readTransmitterEmpty = SerialHardware::readTransmitterEmpty;
    };

    SerialHardware(Handle handle, const QString &device, Probe probe);
    ~SerialHardware();
    SerialHardware(const SerialHardware &) = delete;
    SerialHardware &operator=(const SerialHardware &) = delete;

    // A UART's receive time-out is counted in characters at the line's rate.
    LineHardware line(const SerialSettings &settings) const;
    // Whether anything below the program stops the output at DC3 once the port obeys XON/XOFF.
    bool stopsOutput() const { return m_line.stopper != LineHardware::Stopper::Program; }
    std::optional<bool> transmitterEmpty() const { return m_readTransmitterEmpty(m_handle); }

private:
    bool findUsbAdapter(const QString &device, const QString &sysfs);
    bool isUart(const QString &device, bool serialCore, const Uart &uart);
    void nameUart(const Uart &uart);

    Handle m_handle;
    LowLatencyWriter m_writeLowLatency;
    TransmitterReader m_readTransmitterEmpty;
    LineHardware m_line;
    int m_delayCharacters = 0;
    bool m_lowLatency = false;
    bool m_putBack = false; // low latency was set here
};
