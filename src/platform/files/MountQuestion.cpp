// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/files/MountQuestion.h"

#include "platform/files/MountedDrives.h"

#include <QHash>
#include <QTimer>

#include <chrono>
#include <future>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

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

// Lives on the asker's thread, a child of its context: its end tells the worker there is nobody to tell.
class Receiver final : public QObject {
public:
    Receiver(QObject *context, std::function<void(bool)> done)
        : QObject(context), m_link(std::make_shared<Link>()), m_done(std::move(done))
    {
        m_link->to = this;
    }
    ~Receiver() override
    {
        const std::lock_guard<std::mutex> hold(m_link->lock);
        m_link->to = nullptr;
    }
    // Shared with the worker, which may outlive the receiver by any time.
    MountQuestion::Post post() const
    {
        return [link = m_link](std::function<void()> call) {
            const std::lock_guard<std::mutex> hold(link->lock);
            if (link->to && call)
                QMetaObject::invokeMethod(link->to, std::move(call), Qt::QueuedConnection);
            return link->to != nullptr;
        };
    }
    void finish(bool answered)
    {
        if (!m_done)
            return;
        const std::function<void(bool)> done = std::exchange(m_done, nullptr);
        deleteLater();
        done(answered);
    }

private:
    struct Link {
        std::mutex lock;
        Receiver *to = nullptr;
    };
    std::shared_ptr<Link> m_link;
    std::function<void(bool)> m_done;
};

bool spawn(const Receiver *receiver, const std::function<void(const MountQuestion::Post &)> &job)
{
    try {
        std::thread([job, post = receiver->post()] { job(post); }).detach();
        return true;
    } catch (const std::system_error &) {
        return false;
    }
}

} // namespace

QObject *MountQuestion::start(QObject *context, const std::function<void(const Post &)> &job)
{
    auto *receiver = new Receiver(context, {});
    if (!spawn(receiver, job))
        job(receiver->post()); // the asker waits rather than goes without
    return receiver;
}

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
    const auto answered = [mount] {
        const std::lock_guard<std::mutex> hold(waitingLock());
        if (--waiting()[mount] == 0)
            waiting().remove(mount);
    };

    auto *receiver = new Receiver(context, std::move(done));
    auto answer = std::make_shared<std::promise<void>>();
    const std::future<void> answeredNow = answer->get_future();
    if (!spawn(receiver, [job = std::move(job), answered, answer, receiver](const Post &post) {
            job();
            answered();
            answer->set_value();
            post([receiver] { receiver->finish(true); });
        })) {
        answered();
        return receiver->finish(false);
    }
    // A mount that still owes an answer is not waited for again.
    if (out == 0 && graceMs > 0 &&
        answeredNow.wait_for(std::chrono::milliseconds(graceMs)) == std::future_status::ready)
        return receiver->finish(true);
    if (limitMs >= 0)
        QTimer::singleShot(limitMs, receiver, [receiver] { receiver->finish(false); });
}
