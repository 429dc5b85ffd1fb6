#pragma once

#include <QObject>
#include <QStringDecoder>

#include <functional>

struct AppState;
class DataPane;
class FileListView;
class LogPane;
class SerialPort;
class frmCancelSend;

// Receives programs punched out at the machine into the folder shown, and handles every event of the port.
class Receiver final : public QObject {
    Q_OBJECT
public:
    Receiver(AppState &state, SerialPort &port, LogPane &log, DataPane &data, FileListView &files,
             frmCancelSend &dialog, QObject *parent = nullptr);

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

    AppState &m_state;
    SerialPort &m_port;
    LogPane &m_log;
    DataPane &m_data;
    FileListView &m_files;
    frmCancelSend &m_dialog;
    static constexpr int Failed = -1;
    bool m_continuous = false;
    bool m_failed = false;
    bool m_receiving = false;
    QStringDecoder m_echo{"Shift_JIS"};
};
