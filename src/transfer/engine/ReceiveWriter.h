// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QObject;
class ReceivingPath;

// A reception's side of the disk, on a thread of its own: the line's thread hands it the bytes that
// arrive and goes on reading the port, whatever the file system does meanwhile. A share that stops
// answering holds up this thread alone. It opens the folder, makes each program's hidden file, writes
// it and gives it the program's name, in the order it was asked, and reports each step back on the
// thread of the object it was given. Its calls return at once; a full buffer is refused, never waited for.
class ReceiveWriter final {
public:
    // What may wait for the disk: minutes of the fastest line, never more.
    static constexpr qsizetype Capacity = 4 * 1024 * 1024;

    struct Report {
        enum class Kind {
            Created,  // the program's hidden file is there
            Kept,     // the program has its name
            Diverted, // its name came to hold another file or was protected: it is kept beside that
            Failed,   // nothing more is written
            Finished, // the thread is done
        };
        Kind kind = Kind::Finished;
        quint64 ticket = 0; // of the begin() or keep() answered
        QString name;       // Created, Kept: the program's on disk; Failed: as received, if a program failed
        QString backup;   // Kept: where the program it replaced went, if it was kept; Diverted: where it went
        QString reason;   // Failed, Diverted
        QStringList lost; // Finished after abandon(): what never reached its name
        QString sha256;   // Kept, Diverted: of the program as stored, lowercase hex
        qint64 size = -1; // Kept, Diverted: its bytes
    };

    // receiving is kept up to date with each program's hidden file; report runs on context's thread.
    ReceiveWriter(ReceivingPath &receiving, QObject *context, std::function<void(const Report &)> report);
    // Reports no more and leaves receiving alone; the thread still does what it was asked, then ends.
    ~ReceiveWriter();
    ReceiveWriter(const ReceiveWriter &) = delete;
    ReceiveWriter &operator=(const ReceiveWriter &) = delete;

    void open(const QString &folder);
    // A program of the name given (as received) begins, in its hidden file.
    quint64 begin(const QString &name, const QString &temporary);
    // False when the buffer has no room: the disk has not taken anything for minutes.
    bool append(QByteArrayView bytes);
    // The program takes its name; keepOld: the program it replaces stays beside it (ProgramPlace).
    // rotate > 0: it always does, as "<NAME>.BAK", the newest of a rotation of rotate backups.
    quint64 keep(bool keepOld, int rotate = 0);
    // Nothing more comes: a program without keep() goes.
    void close();

    // Callable from any thread. Waits up to timeoutMs for the thread to have done what it was asked:
    // "" once it has; else abandons it and gives the line to log.
    QString settle(int timeoutMs);
    // Callable from any thread. From now on nothing is renamed or replaced, and what waits is thrown
    // away. Gives a line for each program that does not reach its name; nothing when abandoned before.
    QStringList abandon();

private:
    struct Shared;
    class Disk;
    static void run(const std::shared_ptr<Shared> &shared);

    std::shared_ptr<Shared> m_shared;
    quint64 m_tickets = 0;
};
