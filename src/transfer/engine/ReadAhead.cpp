// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/ReadAhead.h"

#include "platform/files/FileStamp.h"
#include "platform/files/NativeFile.h"
#include "platform/text/SystemReason.h"
#include "transfer/engine/HighByteScan.h"
#include "transfer/engine/SendSource.h"

#include <QCryptographicHash>
#include <QFile>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace {

constexpr qint64 ReadBytes = 64 * 1024;
// A whole program is scanned before its first byte goes: large reads keep a gigabyte within a second.
constexpr qint64 ScanBytes = 1024 * 1024;

QString changedDuringTheSend()
{
    return QStringLiteral("送信中にファイルが変更されました。");
}

} // namespace

// Between the line and one reader. The mutex is held to hand over bytes and flags, never across a
// call to the file system.
struct ReadAhead::Shared {
    std::mutex mutex;
    std::condition_variable wake; // the reader's
    ReadAhead *owner = nullptr;   // told of what comes; none once the reader is let go
    quint64 generation = 0;

    // Asked by the line.
    bool confirmWanted = false;
    bool endCheckWanted = false;
    bool lineWaiting = false; // found nothing it looked for: wants to hear of what comes

    // Found by the reader.
    QByteArray data; // converted, not yet taken
    qint64 dataFileEnd = 0;
    qint64 size = 0;
    bool confirmed = false;
    bool filled = false; // the first bytes are read: as many as are held ahead, or the whole file
    bool stale = false;  // changed before the machine asked: read no further until confirmed
    bool eof = false;
    // The converted size of the whole file once its end was read; read by the line without the mutex.
    std::atomic<qint64> endsAt = -1;
    qint64 highByteLine = 0;
    QString failure;
    QString sha256; // of the file's bytes as read, once its end was

    bool abandoned() const { return !owner; }
    // With the mutex held: the line hears of it if it waits for something, or always.
    void tell(bool always)
    {
        if (!owner || !(always || lineWaiting))
            return;
        lineWaiting = false;
        QMetaObject::invokeMethod(
            owner, [owner = owner, generation = generation] { owner->arrivedFrom(generation); },
            Qt::QueuedConnection);
    }
};

// Runs on the reader's thread; every call to the file system is made here.
class ReadAhead::Reader {
public:
    Reader(std::shared_ptr<Shared> shared, QString path, bool highBytesRefused)
        : m_shared(std::move(shared)), m_path(std::move(path)), m_highBytesRefused(highBytesRefused)
    {
    }

    void run();

private:
    bool open();
    bool scan();
    bool refuse(qint64 offset);
    bool confirm();
    bool readMore();
    void checkEnd();
    bool fail(const QString &why);
    bool abandoned();

    std::shared_ptr<Shared> m_shared;
    const QString m_path;
    const bool m_highBytesRefused;
    QFile m_file;
    FileStamp m_stamp; // as the file stood when it was opened
    SendSource m_converter;
    QByteArray m_raw;
    QCryptographicHash m_hash{QCryptographicHash::Sha256}; // of what was read and went on
    qint64 m_read = 0;
    qint64 m_converted = 0;
};

void ReadAhead::Reader::run()
{
    if (!open())
        return;
    for (;;) {
        enum class Work { Confirm, Read, CheckEnd } work;
        {
            std::unique_lock lock(m_shared->mutex);
            Shared &s = *m_shared;
            s.wake.wait(lock, [&s] {
                return s.abandoned() || (s.confirmWanted && !s.confirmed) || (s.eof && s.endCheckWanted) ||
                       (!s.eof && !s.stale && s.data.size() < Capacity);
            });
            if (s.abandoned())
                return;
            work = s.confirmWanted && !s.confirmed ? Work::Confirm : s.eof ? Work::CheckEnd : Work::Read;
        }
        if (work == Work::CheckEnd)
            return checkEnd();
        if (!(work == Work::Confirm ? confirm() : readMore()))
            return;
    }
}

// Opens the file at its path as it is now and, where asked, scans it; false once the reader is done.
bool ReadAhead::Reader::open()
{
    m_file.close();
    if (const Outcome opened = NativeFile::open(m_file, m_path, QIODevice::ReadOnly); !opened)
        return fail(opened.reason());
    int error = 0;
    const std::optional<FileStamp> stamp = FileStamp::of(m_file, &error);
    if (!stamp)
        return fail(SystemReason::of(error));
    m_stamp = *stamp;
    {
        const std::lock_guard lock(m_shared->mutex);
        Shared &s = *m_shared;
        s.size = m_stamp.size();
        s.data.clear();
        s.dataFileEnd = 0;
        s.filled = s.stale = s.eof = false;
        s.endsAt = -1;
    }
    if (m_highBytesRefused && !scan())
        return false;
    m_converter = SendSource();
    m_hash.reset();
    m_read = m_converted = 0;
    if (!m_file.seek(0))
        return fail(SystemReason::of(m_file));
    return true;
}

bool ReadAhead::Reader::scan()
{
    QByteArray chunk(ScanBytes, Qt::Uninitialized);
    for (qint64 at = 0;;) {
        if (abandoned())
            return false;
        const qint64 read = m_file.read(chunk.data(), ScanBytes);
        if (read < 0)
            return fail(SystemReason::of(m_file));
        if (read == 0)
            return true;
        if (const qsizetype high = HighByteScan::find(QByteArrayView(chunk.constData(), read)); high >= 0)
            return refuse(at + high);
        at += read;
    }
}

// Lines are counted only for a file refused: the scan of one that goes stays at the speed of memory.
bool ReadAhead::Reader::refuse(qint64 offset)
{
    if (!m_file.seek(0))
        return fail(SystemReason::of(m_file));
    HighByteScan lines;
    QByteArray chunk(ScanBytes, Qt::Uninitialized);
    for (qint64 at = 0; at < offset;) {
        if (abandoned())
            return false;
        const qint64 read = m_file.read(chunk.data(), qMin(ScanBytes, offset - at));
        if (read < 0)
            return fail(SystemReason::of(m_file));
        if (read == 0)
            break;
        lines.count(QByteArrayView(chunk.constData(), read));
        at += read;
    }
    const std::lock_guard lock(m_shared->mutex);
    m_shared->highByteLine = lines.line();
    m_shared->tell(true);
    return false;
}

// The machine reads the file as it is now: one changed or replaced since it was opened is taken anew.
bool ReadAhead::Reader::confirm()
{
    int error = 0;
    const std::optional<FileStamp> now = FileStamp::of(m_path, &error);
    bool stale = false;
    {
        const std::lock_guard lock(m_shared->mutex);
        stale = m_shared->stale;
    }
    if ((stale || !now || *now != m_stamp) && !open())
        return false;
    const std::lock_guard lock(m_shared->mutex);
    m_shared->confirmed = true;
    m_shared->tell(false);
    return true;
}

// What was read counts only once the open file is seen to be still as it was opened.
bool ReadAhead::Reader::readMore()
{
    if (m_raw.isEmpty())
        m_raw.resize(ReadBytes);
    const qint64 read = m_file.read(m_raw.data(), ReadBytes);
    if (read < 0)
        return fail(SystemReason::of(m_file));
    int error = 0;
    const std::optional<FileStamp> now = FileStamp::of(m_file, &error);
    if (!now)
        return fail(SystemReason::of(error));
    if (*now != m_stamp || (read == 0 && m_read != m_stamp.size())) {
        const std::lock_guard lock(m_shared->mutex);
        if (m_shared->confirmed) {
            m_shared->failure = changedDuringTheSend();
            m_shared->tell(true);
            return false;
        }
        m_shared->stale = true;
        m_shared->tell(false);
        return true;
    }
    QByteArray out;
    m_converter.convert(QByteArrayView(m_raw.constData(), read), out);
    m_hash.addData(QByteArrayView(m_raw.constData(), read));
    if (read == 0)
        m_converter.finish(out);
    m_read += read;
    m_converted += out.size();
    const std::lock_guard lock(m_shared->mutex);
    Shared &s = *m_shared;
    if (s.data.isEmpty())
        s.data = std::move(out);
    else
        s.data += out;
    s.dataFileEnd = m_read;
    s.eof = read == 0;
    if (s.eof) {
        s.sha256 = QString::fromLatin1(m_hash.result().toHex());
        s.endsAt.store(m_converted, std::memory_order_release);
    }
    s.filled = s.filled || s.eof || s.data.size() >= Capacity;
    s.tell(false);
    return true;
}

// Once more as the body nears its end: a file changed since it was read stops the send if the line
// hears of it before the program's end has gone.
void ReadAhead::Reader::checkEnd()
{
    int error = 0;
    const std::optional<FileStamp> now = FileStamp::of(m_file, &error);
    if (!now)
        fail(SystemReason::of(error));
    else if (*now != m_stamp)
        fail(changedDuringTheSend());
}

bool ReadAhead::Reader::fail(const QString &why)
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->failure = why;
    m_shared->tell(true);
    return false;
}

bool ReadAhead::Reader::abandoned()
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->abandoned();
}

ReadAhead::ReadAhead(QObject *parent) : QObject(parent) {}

ReadAhead::~ReadAhead()
{
    close();
}

void ReadAhead::open(const QString &path, bool highBytesRefused)
{
    close();
    m_shared = std::make_shared<Shared>();
    m_shared->owner = this;
    m_shared->generation = ++m_generation;
    // Never joined: a share may hold it for ever. Not a QThread, whose deletion would wait for an event
    // loop of the thread that started it, which may have ended first.
    try {
        std::thread([shared = m_shared, path, highBytesRefused] {
            Reader(shared, path, highBytesRefused).run();
        }).detach();
    } catch (const std::system_error &error) { // no thread to be had: the file fails as a read would
        const std::lock_guard lock(m_shared->mutex);
        m_shared->failure = SystemReason::of(error.code().value());
        m_shared->tell(true);
    }
}

void ReadAhead::confirm()
{
    ask(&Shared::confirmWanted);
}

void ReadAhead::ask(bool Shared::*wanted)
{
    if (!m_shared)
        return;
    {
        const std::lock_guard lock(m_shared->mutex);
        (*m_shared).*wanted = true;
    }
    m_shared->wake.notify_one();
}

void ReadAhead::close()
{
    if (m_shared) {
        {
            const std::lock_guard lock(m_shared->mutex);
            m_shared->owner = nullptr;
        }
        m_shared->wake.notify_one();
        m_shared.reset();
    }
    m_local.clear();
    m_at = 0;
    m_fileEnd = 0;
    m_size = 0;
    m_taken = 0;
    m_endAsked = m_ended = false;
}

bool ReadAhead::reading()
{
    if (!m_shared)
        return false;
    const std::lock_guard lock(m_shared->mutex);
    Shared &s = *m_shared;
    const bool busy = !s.filled && !s.stale && s.failure.isEmpty() && s.highByteLine == 0;
    s.lineWaiting = s.lineWaiting || busy;
    return busy;
}

bool ReadAhead::ready()
{
    if (!m_shared)
        return false;
    const std::lock_guard lock(m_shared->mutex);
    Shared &s = *m_shared;
    if (s.confirmed && s.filled && s.failure.isEmpty()) {
        m_size = s.size;
        return true;
    }
    s.lineWaiting = true;
    return false;
}

QString ReadAhead::failure()
{
    if (!m_shared)
        return {};
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->failure;
}

QString ReadAhead::sha256()
{
    if (!m_shared)
        return {};
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->sha256;
}

qint64 ReadAhead::highByteLine()
{
    if (!m_shared)
        return 0;
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->highByteLine;
}

qint64 ReadAhead::consumed() const
{
    if (atEnd())
        return m_size;
    return qBound<qint64>(0, m_fileEnd - (m_local.size() - m_at), m_size);
}

QByteArray ReadAhead::next(qint64 max)
{
    if (m_at == m_local.size() && !take())
        return {};
    const QByteArray piece = m_local.mid(m_at, max);
    m_at += piece.size();
    if (!m_endAsked) {
        const qint64 endsAt = m_shared->endsAt.load(std::memory_order_acquire);
        if (endsAt >= 0 && endsAt - (m_taken - (m_local.size() - m_at)) <= m_endLead) {
            m_endAsked = true;
            ask(&Shared::endCheckWanted);
        }
    }
    return piece;
}

// Swaps in what the reader has; false when nothing came, and the reader then says when it has.
bool ReadAhead::take()
{
    m_local.clear();
    m_at = 0;
    if (!m_shared || m_ended)
        return false;
    const std::lock_guard lock(m_shared->mutex);
    Shared &s = *m_shared;
    if (!s.failure.isEmpty())
        return false;
    if (!s.data.isEmpty()) {
        m_local.swap(s.data);
        m_taken += m_local.size();
        m_fileEnd = s.dataFileEnd;
        s.wake.notify_one(); // room again
        return true;
    }
    m_ended = s.eof;
    s.lineWaiting = !m_ended;
    return false;
}

void ReadAhead::arrivedFrom(quint64 generation)
{
    if (m_shared && generation == m_generation)
        emit arrived();
}
