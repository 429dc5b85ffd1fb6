// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/ReceiveWriter.h"

#include "core/FolderNames.h"
#include "core/ReceivingPath.h"
#include "platform/FileProtection.h"
#include "platform/FolderHandle.h"
#include "platform/NativeFile.h"
#include "platform/NativeName.h"
#include "platform/SystemReason.h"
#include "transfer/BackupName.h"
#include "transfer/ReceivedName.h"

#include <QByteArray>
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
        if (const QString why = m_folder.open(folder); !why.isEmpty())
            return fail(why);
        m_folderPath = folder;
        ReceivingPath::removeLeftovers(m_folder.path());
        freshen();
    }

    // The folder's names are read once and kept as this thread changes them: a continuous reception
    // of new names never reads the folder again unless someone else changes it.
    void freshen()
    {
        const qint64 changed = m_folder.changed();
        if (changed != 0 && changed == m_namesAt)
            return;
        m_names = FolderNames::read(m_folder.path());
        m_namesAt = changed;
    }

    // change() alters the folder; names stay known as they were unless someone else changed it first.
    template <typename Change> QString ownChange(Change change)
    {
        const bool known = m_namesAt != 0 && m_folder.changed() == m_namesAt;
        const QString why = change();
        if (known)
            m_namesAt = m_folder.changed();
        return why;
    }

    // The line published the program before asking; a program never made is let go of here.
    void begin(const Command &command)
    {
        if (m_failed)
            return m_shared.unpublish(command.temporary);
        freshen();
        QString why;
        const QString path = ReceivedName::pathFor(m_folder.path(), command.text, m_names, &why);
        if (path.isEmpty()) {
            m_shared.unpublish(command.temporary);
            return fail(why);
        }
        m_target = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        m_replaces = FileIdentity::of(path);
        // The name as it is on disk, and the folder by what it is, before the file is made.
        m_shared.publish({m_folder.identity(), m_folderPath, m_target, command.temporary});
        if (const QString failure = ownChange([&] { return m_folder.create(m_file, command.temporary); });
            !failure.isEmpty()) {
            m_shared.unpublish(command.temporary);
            return fail(failure);
        }
        m_names.add(command.temporary);
        m_temporary = command.temporary;
        m_shared.post({Report::Kind::Created, command.ticket, m_target, {}, {}, {}});
    }

    // Each batch goes to the system at once: what it has taken is what settle() does not count.
    void write(const QByteArray &bytes)
    {
        if (m_failed || !m_file.isOpen())
            return;
        if (m_file.write(bytes) != bytes.size() || !m_file.flush())
            return fail(SystemReason::of(m_file));
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
        QString backup;
        QString taken = takenMeanwhile();
        QString why;
        if (taken.isEmpty() && command.keepOld)
            why = keepAside(&backup);
        if (why.isEmpty() && taken.isEmpty())
            why = m_replaces.isValid() ? ownChange([this] { return m_folder.replace(m_temporary, m_target); })
                                       : takeFreeName(&taken);
        if (why.isEmpty() && !taken.isEmpty())
            why = divert(&backup);
        phase = Renaming;
        if (!m_shared.phase.compare_exchange_strong(phase, Working))
            m_shared.phase = Abandoned;
        if (!why.isEmpty())
            return fail(why);
        m_names.remove(m_temporary);
        m_names.add(taken.isEmpty() ? m_target : backup);
        m_shared.unpublish(m_temporary);
        m_temporary.clear();
        {
            const std::lock_guard hold(m_shared.lock);
            if (!m_shared.programs.empty())
                m_shared.programs.pop_front();
        }
        if (taken.isEmpty())
            m_shared.post({Report::Kind::Kept, command.ticket, m_target, backup, {}, {}});
        else
            m_shared.post(
                {Report::Kind::Diverted,
                 command.ticket,
                 m_target,
                 backup,
                 taken +
                     QStringLiteral("受信したプログラムは%1に残しました。").arg(NativeName::shown(backup)),
                 {}});
    }

    // Why the program's name may not be taken now, though it could be as the program began: no
    // question can be asked during a transfer, so what another hand put there meanwhile stays.
    QString takenMeanwhile() const
    {
        const QString path = NativeFile::join(m_folder.path(), m_target);
        const std::optional<NativeFile::Status> status = NativeFile::status(path);
        if (!status)
            return {}; // gone: taking the name loses nothing
        const QString shown = NativeName::shown(m_target);
        if (status->isFolder)
            return QStringLiteral("受信中に同じ名前のフォルダー'%1'が作られました。").arg(shown);
        if (!(FileIdentity::of(path) == m_replaces))
            return (m_replaces.isValid() ? QStringLiteral("受信中に%1が別のファイルに置き換えられました。")
                                         : QStringLiteral("受信中に%1が作られました。"))
                .arg(shown);
        if (FileProtection::isProtected(status->permissions))
            return QStringLiteral("受信中に%1が保護されました。").arg(shown);
        return {};
    }

    // The program takes name, never in place of a file: EEXIST in *error when name holds one. The
    // hidden file goes once the name holds the program.
    QString moveTo(const QString &name, int *error)
    {
        const QString why = ownChange([&] { return m_folder.keepAside(m_temporary, name, error); });
        if (why.isEmpty())
            ownChange([this] { return m_folder.remove(m_temporary); }); // gone already where it moved
        return why;
    }

    QString takeFreeName(QString *taken)
    {
        int error = 0;
        const QString why = moveTo(m_target, &error);
        if (error != EEXIST)
            return why;
        *taken = QStringLiteral("受信中に%1が作られました。").arg(NativeName::shown(m_target));
        return {};
    }

    QString divert(QString *aside)
    {
        freshen();
        for (;;) {
            *aside = BackupName::forReceived(m_target, m_names);
            int error = 0;
            const QString why = moveTo(*aside, &error);
            if (error != EEXIST)
                return why;
            m_names.add(*aside); // made meanwhile
        }
    }

    // The old program gets a name of its own first, so that no moment leaves it without one.
    QString keepAside(QString *backup)
    {
        freshen();
        for (;;) {
            *backup = BackupName::firstFree(m_target, m_names);
            int error = 0;
            const QString why = ownChange([&] { return m_folder.keepAside(m_target, *backup, &error); });
            if (error == EEXIST) { // made meanwhile
                m_names.add(*backup);
                continue;
            }
            if (error != 0)
                backup->clear();
            else
                m_names.add(*backup);
            return error == ENOENT ? QString() : why; // no old program
        }
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
        m_shared.post({Report::Kind::Failed, 0, name, {}, reason, {}});
    }

    void drop()
    {
        if (m_file.isOpen())
            m_file.close();
        if (m_temporary.isEmpty())
            return;
        m_folder.remove(m_temporary);
        m_shared.unpublish(m_temporary);
        m_temporary.clear();
    }

    Shared &m_shared;
    FolderHandle m_folder;
    QString m_folderPath;
    QFile m_file; // under m_temporary while open
    QString m_temporary;
    QString m_target;
    FileIdentity m_replaces; // what the program's name held as the program began
    FolderNames m_names;     // the folder's, as this thread last knew them
    qint64 m_namesAt = 0;    // the folder's change time that they tell of
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
        m_shared->post({Report::Kind::Failed, 0, {}, {}, SystemReason::of(error.code().value()), {}});
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

quint64 ReceiveWriter::keep(bool keepOld)
{
    const quint64 ticket = ++m_tickets;
    m_shared->push({Command::Kind::Keep, {}, {}, {}, keepOld, ticket});
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
