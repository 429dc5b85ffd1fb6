#pragma once

#include "core/FileRows.h"
#include "core/MachineSettings.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

struct AppState;
class LineFlow;
class SerialPort;

// Sends files to the machine with its framing and DC1/DC3 pacing. It works from the names and the
// folder taken when the command started, never from the list, which stays live during the waits.
class SendJob final : public QObject {
    Q_OBJECT
public:
    SendJob(AppState &state, SerialPort &port, LineFlow &flow, QObject *parent = nullptr);

    // Sends the files in order from folder; returns when the batch has been sent, cancelled or has failed.
    void run(const QList<FileRow> &files, const QString &folder);
    // The port went away under the batch.
    void portFailed(const QString &description);

signals:
    void prompt(const QString &text); // for the abort dialog, which shows it
    void progress(qint64 done, qint64 total, const QString &name);
    void echoCleared();
    void echo(const QString &text);
    void logLine(const QString &line);
    void sent(const QString &diskName); // the file has gone whole: its row loses its mark

private:
    enum class Outcome { Sent, Cancelled, Failed };
    // A file's lines: each ends at CR or CR LF, which is not part of it; a lone LF is.
    static QList<QByteArray> lines(const QByteArray &content);
    Outcome sendFile(const FileRow &file);
    bool header(const FileRow &file);
    bool sendLine(const QByteArray &bytes);
    bool waitWhileHeld();
    bool waitForDc1();
    bool write(const QByteArray &bytes);
    bool stopped() const;
    Outcome stopOutcome() const { return m_failure.isEmpty() ? Outcome::Cancelled : Outcome::Failed; }
    void cancel();
    void fail(const QString &description);
    void end();

    AppState &m_state;
    SerialPort &m_port;
    LineFlow &m_flow;
    MachineSettings m_machine; // as the command found it
    QString m_folder;
    QString m_failure;
    bool m_running = false;
};
