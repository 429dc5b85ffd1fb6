// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// One transfer as the journal keeps it: written as the transfer starts and again as it ends, each time
// whole, under an id made where it starts, so that writing it twice or late changes nothing.
struct TransferRecord {
    enum class Direction : int { Send = 0, Receive = 1, Request = 2 };
    enum class Outcome : int {
        Running = 0,     // started, not ended yet
        Done = 1,        // sent whole, received whole, a request answered
        Failed = 2,      // the line or the disk failed; reason says how
        Aborted = 3,     // the operator ended it, or it was cut short
        Refused = 4,     // never started: a request that could not be served, a file that cannot go
        Interrupted = 5, // the process ended while it ran (a crash, a power cut)
    };

    QString id;        // a UUID, made where the transfer starts
    QDateTime started; // UTC
    QDateTime ended;   // UTC; invalid while running
    QString machine;   // the machine settings file, e.g. "OSP-E100.MCH"
    QString port;      // "COM1 (/dev/ttyUSB0)", "COM3 (rfc2217://192.168.10.31:4001)"
    Direction direction = Direction::Send;
    QString program; // the program's name as listed, received or asked for
    QString path;    // the file on disk, full path; "" when there is none
    qint64 size = -1; // bytes of the file; -1 while unknown
    QString sha256;   // of the file's bytes (sent: as read for the send; received: as stored), lowercase hex
    Outcome outcome = Outcome::Running;
    QString reason;       // why it failed, was aborted or refused, in the log's words
    QString operatorName; // the login name
    QString host;
    QString process; // which process wrote it: its entries still Running once it is gone were interrupted
};

// Where transfers are told to the journal. Called from any thread, the line's among them: it returns at
// once and never waits on a database.
class TransferRecords {
public:
    virtual ~TransferRecords() = default;
    virtual void record(const TransferRecord &record) = 0;
};
