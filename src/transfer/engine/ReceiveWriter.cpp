// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/ReceiveWriter.h"

#include "core/ReceivingPath.h"
#include "platform/files/FolderHandle.h"
#include "platform/files/NativeName.h"
#include "platform/text/SystemReason.h"
#include "transfer/engine/ProgramPlace.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QObject>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// Who may still rename: the disk's thread, until abandon() takes that from it. A rename under way
// then cannot be called back; it is said to be so.
enum Phase { Working, Renaming, Abandoned, RenamingThenAbandoned };

struct Command {
    enum class Kind { Open, Begin, Data, Keep } kind;
    QString text; // Open: the folder; Begin: the program's name as received
    QString temporary;
    QByteArray bytes;
    bool keepOld = false;
    quint64 ticket = 0;
    int rotate = 0; // Keep: the backups kept of the program replaced
};

// A program begun and not yet under its name: what abandon() tells of.
struct Program {
    QString name;
    QString temporary;
    qint64 received = 0;
    qint64 written = 0;
};

} // namespace

struct ReceiveWriter::Shared {
    std::mutex lock; // never held across a call to the file system
    std::condition_variable wake;
    std::condition_variable done;
    std::deque<Command> commands;
    std::deque<Program> programs; // the line's thread adds at the back, the disk's thread ends the front
    qsizetype pending = 0;        // handed over, not yet written or thrown away
    bool busy = false;            // the thread works on commands it has taken
    bool closed = false;
    bool ended = false;
    std::atomic<int> phase{Working};
    QStringList lost;
    // Until the owner goes.
    QObject *context = nullptr;
    std::function<void(const Report &)> report;
    ReceivingPath *receiving = nullptr;

    bool abandoned() const
    {
        const int now = phase.load();
        return now == Abandoned || now == RenamingThenAbandoned;
    }
    void post(const Report &said)
    {
        const std::lock_guard hold(lock);
        if (context)
            QMetaObject::invokeMethod(
                context, [report = report, said] { report(said); }, Qt::QueuedConnection);
    }
    void publish(const ReceivingPath::Program &program)
    {
        const std::lock_guard hold(lock);
        if (receiving && !abandoned())
            receiving->set(program);
    }
    void unpublish(const QString &temporary)
    {
        const std::lock_guard hold(lock);
        if (receiving)
            receiving->clear(temporary);
    }
    void push(Command command)
    {
        const std::lock_guard hold(lock);
        if (abandoned())
            return;
        commands.push_back(std::move(command));
        wake.notify_one();
    }
};

// What the thread holds: the folder, the program being written and whether writing failed.
class ReceiveWriter::Disk {
public:
    explicit Disk(Shared &shared) : m_shared(shared) {}

    void run(const Command &command)
    {
        switch (command.kind) {
        case Command::Kind::Open:
            return open(command.text);
        case Command::Kind::Begin:
            return begin(command);
        case Command::Kind::Data:
            write(command.bytes);
            {
                const std::lock_guard hold(m_shared.lock);
                m_shared.pending -= command.bytes.size();
            }
            return;
        case Command::Kind::Keep:
            return keep(command);
        }
    }

    // A program that did not take its name goes.
    void leave()
    {
        drop();
        m_folder.close();
    }

private:
    void open(const QString &folder)
    {
        if (const Outcome opened = m_folder.open(folder); !opened)
            return fail(opened.reason());
        m_folderPath = folder;
        ReceivingPath::removeLeftovers(m_folder.path());
        m_place.freshen();
    }

    // The line published the program before asking; a program never made is let go of here.
    void begin(const Command &command)
    {
        if (m_failed)
            return m_shared.unpublish(command.temporary);
        QString why;
        m_target = m_place.begin(command.text, &why);
        if (m_target.isEmpty()) {
            m_shared.unpublish(command.temporary);
            return fail(why);
        }
        // The name as it is on disk, and the folder by what it is, before the file is made.
        m_shared.publish({m_folder.identity(), m_folderPath, m_target, command.temporary});
        if (const Outcome created = m_place.create(m_file, command.temporary); !created) {
            m_shared.unpublish(command.temporary);
            return fail(created.reason());
        }
        m_temporary = command.temporary;
        m_hash.reset();
        m_written = 0;
        m_shared.post({Report::Kind::Created, command.ticket, m_target, {}, {}, {}, {}, -1});
    }

    // Each batch goes to the system at once: what it has taken is what settle() does not count.
    void write(const QByteArray &bytes)
    {
        if (m_failed || !m_file.isOpen())
            return;
        if (m_file.write(bytes) != bytes.size() || !m_file.flush())
            return fail(SystemReason::of(m_file));
        m_hash.addData(bytes);
        m_written += bytes.size();
        const std::lock_guard hold(m_shared.lock);
        if (!m_shared.programs.empty())
            m_shared.programs.front().written += bytes.size();
    }

    void keep(const Command &command)
    {
        if (m_failed || !m_file.isOpen())
            return;
        m_file.close();
        int phase = Working;
        if (!m_shared.phase.compare_exchange_strong(phase, Renaming))
            return; // abandoned: leave() takes the hidden file away
        ProgramPlace::Placed placed;
        const Outcome stored = m_place.keep(m_temporary, command.keepOld, command.rotate, &placed);
        phase = Renaming;
        if (!m_shared.phase.compare_exchange_strong(phase, Working))
            m_shared.phase = Abandoned;
        if (!stored)
            return fail(stored.reason());
        m_shared.unpublish(m_temporary);
        m_temporary.clear();
        {
            const std::lock_guard hold(m_shared.lock);
            if (!m_shared.programs.empty())
                m_shared.programs.pop_front();
        }
        Report report{Report::Kind::Kept, command.ticket, m_target, placed.backup, {}, {}, {}, -1};
        report.sha256 = QString::fromLatin1(m_hash.result().toHex());
        report.size = m_written;
        if (!placed.taken.isEmpty()) {
            report.kind = Report::Kind::Diverted;
            report.reason =
                placed.taken +
                QStringLiteral("受信したプログラムは%1に残しました。").arg(NativeName::shown(placed.backup));
        }
        m_shared.post(report);
    }

    void fail(const QString &reason)
    {
        m_failed = true;
        drop();
        QString name;
        {
            const std::lock_guard hold(m_shared.lock);
            if (!m_shared.programs.empty())
                name = m_shared.programs.front().name;
            m_shared.programs.clear();
        }
        m_shared.post({Report::Kind::Failed, 0, name, {}, reason, {}, {}, -1});
    }

    void drop()
    {
        if (m_file.isOpen())
            m_file.close();
        if (m_temporary.isEmpty())
            return;
        (void)m_folder.remove(m_temporary); // gone already, or a leftover the next start removes
        m_shared.unpublish(m_temporary);
        m_temporary.clear();
    }

    Shared &m_shared;
    FolderHandle m_folder;
    QString m_folderPath;
    QFile m_file; // under m_temporary while open
    QString m_temporary;
    ProgramPlace m_place{m_folder};
    QString m_target;
    QCryptographicHash m_hash{QCryptographicHash::Sha256}; // of the program as written
    qint64 m_written = 0;
    bool m_failed = false;
};

ReceiveWriter::ReceiveWriter(ReceivingPath &receiving, QObject *context,
                             std::function<void(const Report &)> report)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->context = context;
    m_shared->report = std::move(report);
    m_shared->receiving = &receiving;
    try {
        std::thread(&ReceiveWriter::run, m_shared).detach(); // never joined: a share may hold it for ever
    } catch (const std::system_error &error) {
        m_shared->ended = true;
        m_shared->phase = Abandoned;
        m_shared->post({Report::Kind::Failed, 0, {}, {}, SystemReason::of(error.code().value()), {}, {}, -1});
    }
}

ReceiveWriter::~ReceiveWriter()
{
    const std::lock_guard hold(m_shared->lock);
    m_shared->context = nullptr;
    m_shared->report = nullptr;
    m_shared->receiving = nullptr;
    m_shared->closed = true;
    m_shared->wake.notify_one();
}

void ReceiveWriter::run(const std::shared_ptr<Shared> &shared)
{
    Disk disk(*shared);
    std::unique_lock hold(shared->lock);
    for (;;) {
        shared->busy = false;
        shared->done.notify_all();
        shared->wake.wait(
            hold, [&shared] { return !shared->commands.empty() || shared->closed || shared->abandoned(); });
        if (shared->abandoned() || shared->commands.empty())
            break;
        std::deque<Command> work;
        work.swap(shared->commands);
        shared->busy = true;
        hold.unlock();
        for (const Command &command : work) {
            if (shared->abandoned())
                break;
            disk.run(command);
        }
        hold.lock();
    }
    hold.unlock();
    disk.leave();
    hold.lock();
    shared->ended = true;
    shared->busy = false;
    shared->done.notify_all();
    Report finished;
    finished.lost = shared->lost;
    hold.unlock();
    shared->post(finished);
}

void ReceiveWriter::open(const QString &folder)
{
    m_shared->push({Command::Kind::Open, folder, {}, {}, false, 0});
}

quint64 ReceiveWriter::begin(const QString &name, const QString &temporary)
{
    const quint64 ticket = ++m_tickets;
    {
        const std::lock_guard hold(m_shared->lock);
        m_shared->programs.push_back({name, temporary, 0, 0});
    }
    m_shared->push({Command::Kind::Begin, name, temporary, {}, false, ticket});
    return ticket;
}

// Only the hand-over is under the lock: the bytes join the last batch waiting, or start one.
bool ReceiveWriter::append(QByteArrayView bytes)
{
    const std::lock_guard hold(m_shared->lock);
    if (m_shared->abandoned())
        return true; // thrown away, as abandon() said
    if (m_shared->pending + bytes.size() > Capacity)
        return false;
    m_shared->pending += bytes.size();
    if (!m_shared->programs.empty())
        m_shared->programs.back().received += bytes.size();
    if (!m_shared->commands.empty() && m_shared->commands.back().kind == Command::Kind::Data)
        m_shared->commands.back().bytes += bytes;
    else
        m_shared->commands.push_back({Command::Kind::Data, {}, {}, bytes.toByteArray(), false, 0});
    m_shared->wake.notify_one();
    return true;
}

quint64 ReceiveWriter::keep(bool keepOld, int rotate)
{
    const quint64 ticket = ++m_tickets;
    m_shared->push({Command::Kind::Keep, {}, {}, {}, keepOld, ticket, rotate});
    return ticket;
}

void ReceiveWriter::close()
{
    const std::lock_guard hold(m_shared->lock);
    m_shared->closed = true;
    m_shared->wake.notify_one();
}

QString ReceiveWriter::settle(int timeoutMs)
{
    {
        std::unique_lock hold(m_shared->lock);
        const auto finished = [this] {
            return m_shared->ended || (!m_shared->busy && m_shared->commands.empty());
        };
        if (m_shared->done.wait_for(hold, std::chrono::milliseconds(qMax(0, timeoutMs)), finished))
            return {};
    }
    return abandon().join(QString());
}

QStringList ReceiveWriter::abandon()
{
    const std::lock_guard hold(m_shared->lock);
    Shared &shared = *m_shared;
    int phase = shared.phase.load();
    for (;;) {
        if (phase == Abandoned || phase == RenamingThenAbandoned)
            return {};
        if (shared.phase.compare_exchange_strong(phase,
                                                 phase == Renaming ? RenamingThenAbandoned : Abandoned))
            break;
    }
    for (const Command &command : shared.commands)
        shared.pending -= command.bytes.size();
    shared.commands.clear();
    QStringList lines;
    for (const Program &program : shared.programs) {
        if (shared.receiving)
            shared.receiving->clear(program.temporary);
        const qint64 unsaved = program.received - program.written;
        if (phase == Renaming && &program == &shared.programs.front())
            lines << QStringLiteral("%1の保存が終わったか分かりません。保存先を確認してください。")
                         .arg(program.name);
        else if (unsaved > 0)
            lines << QStringLiteral(
                         "%1の受信データ%2バイトを保存できませんでした。元のプログラムはそのままです。")
                         .arg(program.name)
                         .arg(unsaved);
        else
            lines << QStringLiteral("%1を保存できませんでした。元のプログラムはそのままです。")
                         .arg(program.name);
    }
    shared.lost = lines;
    shared.wake.notify_one();
    return lines;
}
