// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/serial/NumberedPort.h"
#include "platform/serial/SerialDriverState.h"
#include "platform/serial/SerialHardware.h"

#include <QSerialPort>
#include <QTimer>

#include <memory>

// MSComm1 on QSerialPort, on the device that PortDevices names. Without hardware handshaking the program
// paces with DC1/DC3 itself, or lets the tty stop the output at DC3 (IXON) where something below it then
// stops. Line errors are raised as the driver counts them, also on a line that has gone quiet; a test
// hands in counts of its own, as a pseudo-terminal keeps none, and plays the hardware through a probe.
class QtSerialPort final : public NumberedPort {
    Q_OBJECT
public:
    explicit QtSerialPort(PortDevices devices = {}, QObject *parent = nullptr,
                          SerialDriverState::CountReader readCounts = SerialDriverState::readDriverCounts,
                          SerialHardware::Probe probe = {});
    ~QtSerialPort() override;

    bool setSettings(const QString &settings) override;
    bool setHandshaking(bool hardware) override;
    void setInputLatency(int milliseconds) override;
    bool portOpen() const override;
    bool setPortOpen(bool open) override;
    bool output(const QByteArray &bytes) override;
    qint64 outBufferCount() const override;
    bool setOutputFlowControl(bool on) override;
    LineHardware hardware() const override;
    std::optional<bool> transmitterEmpty() const override;
    bool discardOutput() override;
    QByteArray input() override;

private:
    bool waiting() const override;
    bool configure(const SerialSettings &settings);
    bool checkLine(const SerialSettings &settings);
    void close();
    void onReadyRead();
    bool raiseLineErrors();
    void onError(QSerialPort::SerialPortError error);
    void holdNext();
    void release();
    QString openFailure() const;
    QString flowControlFailure(int error) const;
    QString reason() const;
    QString named() const;

    QSerialPort *m_port;
    std::unique_ptr<SerialDriverState> m_driver; // while open
    std::unique_ptr<SerialHardware> m_hardware;  // while open
    SerialDriverState::CountReader m_readCounts;
    SerialHardware::Probe m_probe;
    // Children, as is m_port: they move with the port to the line's thread.
    QTimer m_errorPoll{this};
    QTimer m_hold{this}; // while it runs, arrivals wait in the driver
    QString m_device;
    int m_inputLatency = 0;
    bool m_hardwareHandshake = false;
    bool m_releasing = false;
};
