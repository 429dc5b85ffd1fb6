#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// A pseudo-terminal pair standing in for a serial cable: the program opens the slave by its path as
// it would a serial device, and the test (or a simulated controller) plays the far end on the master.
// The slave starts raw and stays held open here, so the far end keeps working while the program
// closes and reopens its port. A pty carries 8 bits without parity and never paces by baud rate.
class PseudoTerminal final : public QObject {
    Q_OBJECT
public:
    explicit PseudoTerminal(QObject *parent = nullptr);
    ~PseudoTerminal() override;

    bool isValid() const { return m_master >= 0; }
    QString errorString() const { return m_errorString; }
    QString slavePath() const { return m_slavePath; }

    // The far end: returns how many bytes the pty took (fewer when its buffer is full), or -1.
    qint64 write(const QByteArray &bytes);
    QByteArray readAll(); // what the program has sent since the last readAll()
    // Hangs up the line, as a pulled cable does: the program's next read fails.
    void closeMaster();

    // What the program last set on the line; a pty keeps these although it ignores them.
    int baudRate() const; // 0 for a rate termios cannot name
    int stopBits() const;

signals:
    void readyRead(); // the program has sent something

private:
    void take();

    QByteArray m_received;
    int m_master = -1;
    int m_slave = -1;
    QSocketNotifier *m_notifier = nullptr;
    QString m_slavePath;
    QString m_errorString;
};
