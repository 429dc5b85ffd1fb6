// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/files/MountQuestion.h"

#include "platform/files/MountedDrives.h"

#include <QHash>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

std::mutex &waitingLock()
{
    static std::mutex lock;
    return lock;
}

// Workers still out, by mount.
QHash<QString, int> &waiting()
{
    static QHash<QString, int> counts;
    return counts;
}

// Shared by the asker and its worker: the worker may outlive the asker by any time.
struct Pending {
    std::mutex lock;
    std::condition_variable answeredNow;
    bool answered = false;
    class Receiver *receiver = nullptr;
};

// Lives on the asker's thread, a child of its context: its end tells the worker there is nobody to tell.
class Receiver final : public QObject {
public:
    Receiver(QObject *context, std::shared_ptr<Pending> pending, std::function<void(bool)> done)
        : QObject(context), m_pending(std::move(pending)), m_done(std::move(done))
    {
        m_pending->receiver = this;
    }
    ~Receiver() override
    {
        const std::lock_guard<std::mutex> hold(m_pending->lock);
        m_pending->receiver = nullptr;
    }
    void finish(bool answered)
    {
        if (!m_done)
            return;
        const std::function<void(bool)> done = std::move(m_done);
        m_done = nullptr;
        deleteLater();
        done(answered);
    }

private:
    std::shared_ptr<Pending> m_pending;
    std::function<void(bool)> m_done;
};

} // namespace

void MountQuestion::run(QObject *context, const QString &path, std::function<void()> job,
                        std::function<void(bool)> done, int limitMs, int graceMs)
{
    const QString mount = MountedDrives::mountOf(path);
    int out = 0;
    {
        const std::lock_guard<std::mutex> hold(waitingLock());
        out = waiting().value(mount);
        if (out < MaxWaiting)
            ++waiting()[mount];
    }
    if (out >= MaxWaiting)
        return done(false);

    auto pending = std::make_shared<Pending>();
    auto *receiver = new Receiver(context, pending, std::move(done));
    try {
        std::thread([pending, job = std::move(job), mount] {
            job();
            {
                const std::lock_guard<std::mutex> hold(waitingLock());
                if (--waiting()[mount] == 0)
                    waiting().remove(mount);
            }
            const std::lock_guard<std::mutex> hold(pending->lock);
            pending->answered = true;
            pending->answeredNow.notify_all();
            if (Receiver *to = pending->receiver)
                QMetaObject::invokeMethod(
                    to, [to] { to->finish(true); }, Qt::QueuedConnection);
        }).detach();
    } catch (const std::system_error &) {
        const std::lock_guard<std::mutex> hold(waitingLock());
        --waiting()[mount];
        receiver->finish(false);
        return;
    }
    // A mount that still owes an answer is not waited for again.
    if (out == 0 && graceMs > 0) {
        std::unique_lock<std::mutex> hold(pending->lock);
        if (pending->answeredNow.wait_for(hold, std::chrono::milliseconds(graceMs),
                                          [&pending] { return pending->answered; })) {
            hold.unlock();
            receiver->finish(true);
            return;
        }
    }
    if (limitMs >= 0)
        QTimer::singleShot(limitMs, receiver, [receiver] { receiver->finish(false); });
}
