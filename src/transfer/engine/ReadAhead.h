// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

// A program's bytes as they go on the line (SendSource), opened, checked, read and converted ahead of
// the line on a thread of their own, so that the line's thread never waits on a file system: a share
// that stops answering stops the reader, never the line nor an abort. The line takes what has come
// and is told by arrived() once more comes after it found none.
//
// What reaches the machine is the file as it stands: the open file is looked at after each read, before
// what was read is taken, and once more as the body nears its end; a file written over, cut short or
// grown meanwhile fails the send. The program's end never waits for that last look: what went was
// read whole from the file as it was opened. Until confirm() the file may still change (an operator saving a
// fix on the way to the control): confirm() takes the file on disk then, opened and read anew when it is no
// longer the one read.
//
// Each file has a reader of its own. One let go of (close(), a new open(), the end of the send) is
// abandoned, never waited for: one stuck in the file system ends when the file system answers, and
// nothing it finds after it was let go reaches the line.
class ReadAhead final : public QObject {
    Q_OBJECT
public:
    // Converted bytes read ahead of the line.
    static constexpr qint64 Capacity = 256 * 1024;

    explicit ReadAhead(QObject *parent = nullptr);
    ~ReadAhead() override;

    // Starts a reader on the file at path. With highBytesRefused, a byte of 0x80 or above anywhere in it
    // refuses the file before anything is read ahead (highByteLine()).
    void open(const QString &path, bool highBytesRefused);
    // The machine now reads: the file is the one on disk now.
    void confirm();
    void close();
    // The file is looked at once more while this much of its body is still to be handed on.
    void setEndLead(qint64 bytes) { m_endLead = bytes; }

    // Still opening, scanning or reading its first bytes, before confirm().
    bool reading();
    // Confirmed and its first bytes read: the header may go.
    bool ready();
    // Why the file cannot go, "" while it can; the reason line below the failure.
    QString failure();
    // The line of the file, from 1, that holds the first byte of 0x80 or above; 0 when none was found.
    qint64 highByteLine();

    qint64 size() const { return m_size; } // known once ready()
    // Bytes of the file handed on so far, for the progress shown.
    qint64 consumed() const;
    // Up to max bytes to send next; empty when none has come yet, at the end, or after a failure.
    QByteArray next(qint64 max);
    // The SHA-256 of the file's bytes as read for the line, lowercase hex, once its end was read.
    QString sha256();
    // Everything has been handed on.
    bool atEnd() const { return m_ended && m_at == m_local.size(); }

signals:
    // Something the line asked for or waited on has come: bytes, readiness, the end or a failure.
    void arrived();

private:
    struct Shared;
    class Reader;

    bool take();
    // Wakes the reader for what it is asked.
    void ask(bool Shared::*wanted);
    void arrivedFrom(quint64 generation);

    std::shared_ptr<Shared> m_shared; // with the current reader; none when closed
    quint64 m_generation = 0;
    QByteArray m_local; // taken from the reader, from m_at on not yet handed on
    qsizetype m_at = 0;
    qint64 m_fileEnd = 0; // the file's bytes m_local reaches
    qint64 m_size = 0;
    qint64 m_endLead = 0;
    qint64 m_taken = 0; // converted bytes taken from the reader
    bool m_endAsked = false;
    bool m_ended = false;
};
