#pragma once

#include <QDialog>

struct AppState;
class Log;
class StatusLine;
class MessageBoxes;
class QButtonGroup;
class QComboBox;
class QPushButton;
class QTabWidget;
class SerialPort;

// The communication properties of the current machine: shows the values in force, applies and saves them.
class frmProperties final : public QDialog {
    Q_OBJECT
public:
    frmProperties(AppState &state, SerialPort &port, MessageBoxes &messages, Log &log, StatusLine &status,
                  QWidget *parent = nullptr);

    void LoadPropertySettings();
    void cmdOK_Click();

    QTabWidget *tabSettings = nullptr;
    QComboBox *cboPort = nullptr;
    QComboBox *cboSpeed = nullptr;
    QComboBox *cboDataBits = nullptr;
    QComboBox *cboParity = nullptr;
    QComboBox *cboStopBits = nullptr;
    QButtonGroup *OptController = nullptr;
    QButtonGroup *optFlow = nullptr;
    QButtonGroup *optEcho = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    void createControls();
    bool applyPort();
    bool refuse(const QString &description);
    void writeFile();

    AppState &m_state;
    SerialPort &m_port;
    MessageBoxes &m_messages;
    Log &m_log;
    StatusLine &m_status;
    bool m_echo = false;
};
