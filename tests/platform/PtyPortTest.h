// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "ControllerSimulator.h"
#include "platform/serial/QtSerialPort.h"

#include <QSerialPort>
#include <QTest>

#include <memory>
#include <vector>

#include <grp.h>
#include <termios.h>
#include <unistd.h>

inline constexpr char Com7[] = "TALVERN_COM7";

// The speed and stop bits last set on the device: a pty keeps them although it ignores them.
inline QPair<int, int> lineOf(const QSerialPort *device)
{
    termios t{};
    if (device && ::tcgetattr(int(device->handle()), &t) == 0) {
        const QMap<speed_t, int> rates{{B4800, 4800}, {B9600, 9600}, {B19200, 19200}};
        return {rates.value(::cfgetospeed(&t)), t.c_cflag & CSTOPB ? 2 : 1};
    }
    return {-1, -1};
}

// Who stops the device's output at DC3, and what restarts it.
inline tcflag_t xonXoffOf(const QSerialPort *device)
{
    termios t{};
    return device && ::tcgetattr(int(device->handle()), &t) == 0 ? t.c_iflag & (IXON | IXANY | IXOFF)
                                                                 : ~tcflag_t(0);
}

// While it lives the process has none of its groups but nogroup, as a session begun before the user
// was added to a group.
class GroupsLeft {
public:
    GroupsLeft() : m_groups(std::size_t(qMax(0, ::getgroups(0, nullptr)))), m_group(::getegid())
    {
        m_groups.resize(std::size_t(qMax(0, ::getgroups(int(m_groups.size()), m_groups.data()))));
        m_left = ::setgroups(0, nullptr) == 0 && ::setegid(65534) == 0;
    }
    ~GroupsLeft()
    {
        if (::setegid(m_group) != 0 || ::setgroups(m_groups.size(), m_groups.data()) != 0)
            qFatal("the test's groups could not be restored");
    }
    GroupsLeft(const GroupsLeft &) = delete;
    GroupsLeft &operator=(const GroupsLeft &) = delete;
    bool left() const { return m_left; }

private:
    std::vector<gid_t> m_groups;
    gid_t m_group;
    bool m_left = false;
};

// The port on a real pty whose slave TALVERN_COM7 names; the far end is the simulator's line. Each
// test's init() and cleanup() call setUp() and tearDown().
class PtyPortTest : public QObject {
protected:
    std::unique_ptr<ControllerSimulator> m_line;
    std::unique_ptr<QtSerialPort> m_port;
    SerialDriverState::Counts m_driverCounts; // a pty keeps none: the tests play the driver's
    int m_countReads = 0;

    void openOnLine(int inputLen = 0, const QString &settings = QStringLiteral("4800,E,7,2"))
    {
        QVERIFY(m_port->setCommPort(7));
        QVERIFY(m_port->setSettings(settings));
        QVERIFY(m_port->setHandshaking(false));
        m_port->setInputLen(inputLen);
        QVERIFY2(m_port->setPortOpen(true), qPrintable(m_port->errorString()));
    }

    void setUp()
    {
        m_line = std::make_unique<ControllerSimulator>();
        if (!m_line->openPseudoTerminal())
            QSKIP(qPrintable(m_line->errorString()));
        qputenv(Com7, m_line->slavePath().toLocal8Bit());
        m_port = std::make_unique<QtSerialPort>();
    }

    void tearDown()
    {
        m_port.reset();
        m_line.reset();
        qunsetenv(Com7);
    }
};
