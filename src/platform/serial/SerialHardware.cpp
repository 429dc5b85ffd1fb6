// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/serial/SerialHardware.h"

#include "platform/serial/SerialSettings.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

#if defined(Q_OS_LINUX)
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace {

// Their drivers program the chip's own XON/XOFF, which stops within a character. The chip then takes
// what follows while the machine holds it, unseen: it is trusted only where its driver also tells when
// it has sent everything (ftdi_sio does), so that a send ends only once the machine has it all.
const QStringList ChipStops = {QStringLiteral("ftdi_sio"), QStringLiteral("cp210x"),
                               QStringLiteral("pl2303")};

// Without low latency an FTDI chip holds a lone received byte for its 16 ms latency timer.
constexpr qint64 UsbLatencyUs = 16000;
constexpr qint64 UsbLowLatencyUs = 1000;

// A 16550 reports a lone received byte only after 4 quiet character times.
constexpr int ReceiveTimeoutCharacters = 4;

} // namespace

SerialHardware::SerialHardware(Handle handle, const QString &device, Probe probe)
    : m_handle(handle), m_writeLowLatency(std::move(probe.writeLowLatency)),
      m_readTransmitterEmpty(std::move(probe.readTransmitterEmpty))
{
#if defined(Q_OS_LINUX)
    Uart uart;
    const bool serialCore = probe.readUart(handle, uart);
    if (serialCore) {
        m_lowLatency = uart.lowLatency;
        if (!m_lowLatency)
            m_lowLatency = m_putBack = m_writeLowLatency(handle, true);
    }
    if (!findUsbAdapter(device, probe.sysfs) && !isUart(device, serialCore, uart))
        m_line.stopper = LineHardware::Stopper::Program; // a driver that may not stop when the tty does
#else
    Q_UNUSED(device);
    Q_UNUSED(probe);
#endif
}

SerialHardware::~SerialHardware()
{
    if (m_putBack)
        m_writeLowLatency(m_handle, false);
}

// /sys/class/tty/ttyUSB0/device lies under the USB device that carries the port.
bool SerialHardware::findUsbAdapter(const QString &device, const QString &sysfs)
{
    const QString port = QStringLiteral("%1/class/tty/%2/device").arg(sysfs, QFileInfo(device).fileName());
    static const QRegularExpression usbBus(QStringLiteral("/usb\\d+/"));
    if (!QFileInfo(port).canonicalFilePath().contains(usbBus))
        return false;
    m_line.name = QFileInfo(QFileInfo(port + QStringLiteral("/driver")).canonicalFilePath()).fileName();
    if (ChipStops.contains(m_line.name) && m_readTransmitterEmpty(m_handle)) {
        m_line.stopper = LineHardware::Stopper::Device;
    } else {
        // The program paces: with IXON it would no longer see DC3, while the tty layer stops only its
        // own queue, or a chip took what follows unseen and never told when it had sent it.
        m_line.stopper = LineHardware::Stopper::Program;
        m_line.dc3DelayUs = m_lowLatency ? UsbLowLatencyUs : UsbLatencyUs;
    }
    return true;
}

// The serial core stops its queue at DC3, and so does a pseudo-terminal.
bool SerialHardware::isUart(const QString &device, bool serialCore, const Uart &uart)
{
#if defined(Q_OS_LINUX)
    if (serialCore && uart.type != PORT_UNKNOWN) {
        m_line.stopper = LineHardware::Stopper::Kernel;
        nameUart(uart);
        return true;
    }
#endif
    if (!SerialDriverState::isPseudoTerminal(device))
        return false;
    m_line.stopper = LineHardware::Stopper::Kernel;
    return true;
}

void SerialHardware::nameUart(const Uart &uart)
{
#if defined(Q_OS_LINUX)
    if (uart.transmitFifo > 1) {
        m_line.uncountedCharacters = uart.transmitFifo;
        m_delayCharacters = ReceiveTimeoutCharacters;
    }
    static constexpr struct {
        int type;
        const char *name;
    } Names[] = {{PORT_8250, "8250"},     {PORT_16450, "16450"}, {PORT_16550, "16550"},
                 {PORT_16550A, "16550A"}, {PORT_16650, "16650"}, {PORT_16650V2, "16650"},
                 {PORT_16750, "16750"},   {PORT_16C950, "16950"}};
    m_line.name = QStringLiteral("UART");
    for (const auto &known : Names) {
        if (known.type == uart.type)
            m_line.name = QLatin1String(known.name);
    }
#else
    Q_UNUSED(uart);
#endif
}

LineHardware SerialHardware::line(const SerialSettings &settings) const
{
    LineHardware line = m_line;
    if (m_delayCharacters > 0)
        line.dc3DelayUs = qint64(std::ceil(m_delayCharacters * 1e6 / settings.charactersPerSecond()));
    return line;
}

bool SerialHardware::readUart(Handle handle, Uart &uart)
{
#if defined(Q_OS_LINUX)
    serial_struct serial{};
    if (::ioctl(handle, TIOCGSERIAL, &serial) != 0)
        return false;
    uart.type = serial.type;
    uart.transmitFifo = serial.xmit_fifo_size;
    uart.lowLatency = serial.flags & ASYNC_LOW_LATENCY;
    return true;
#else
    Q_UNUSED(handle);
    Q_UNUSED(uart);
    return false;
#endif
}

std::optional<bool> SerialHardware::readTransmitterEmpty(Handle handle)
{
#if defined(Q_OS_LINUX)
    unsigned int status = 0;
    if (::ioctl(handle, TIOCSERGETLSR, &status) != 0)
        return std::nullopt;
    return bool(status & TIOCSER_TEMT);
#else
    Q_UNUSED(handle);
    return std::nullopt;
#endif
}

// An ordinary user may change this flag. Some drivers accept the request and ignore the flag, so it
// is read back.
bool SerialHardware::writeLowLatency(Handle handle, bool on)
{
#if defined(Q_OS_LINUX)
    serial_struct serial{};
    if (::ioctl(handle, TIOCGSERIAL, &serial) != 0)
        return false;
    serial.flags = on ? serial.flags | int(ASYNC_LOW_LATENCY) : serial.flags & ~int(ASYNC_LOW_LATENCY);
    Uart now;
    return ::ioctl(handle, TIOCSSERIAL, &serial) == 0 && readUart(handle, now) && now.lowLatency == on;
#else
    Q_UNUSED(handle);
    Q_UNUSED(on);
    return false;
#endif
}
