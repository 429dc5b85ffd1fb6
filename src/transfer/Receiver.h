#pragma once

#include "transfer/TransferContext.h"

#include <QObject>
#include <QStringDecoder>

#include <functional>

// Receives programs punched out at the machine into the folder shown, and handles every event of the port.
class Receiver final : public QObject {
    Q_OBJECT
public:
    explicit Receiver(const TransferContext &context, QObject *parent = nullptr);

    // Asks the FANUC program's name; returns false when the user cancels.
    std::function<bool()> askProgramName;

    void StartReception(bool continuous);
    void MSComm1_OnComm(int event);
    void portFailed(const QString &description);
    // One read's text through the receive state machine (DC1 to DC4 never reach it).
    void receive(const QByteArray &text);

private:
    bool openProgram();
    void closeProgram();
    void store(char byte);
    void afterHeader(char byte);
    void fail(const QString &description);

    TransferContext m_context;
    static constexpr int Failed = -1;
    bool m_continuous = false;
    bool m_failed = false;
    bool m_receiving = false;
    QStringDecoder m_echo{"Shift_JIS"};
};
