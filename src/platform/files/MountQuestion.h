// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Asks the file system a question off the window's thread: a share whose server does not answer
// holds up only a worker, never the window. The answer comes back on the asker's thread; none
// within the time limit counts as "not ready". A worker that never comes back is left to itself.
class MountQuestion final {
public:
    static constexpr int TimeLimitMs = 2000;
    // How long the asker waits before it goes on without the answer: a local disk answers within it,
    // so the window then shows the result as it always did, at once.
    static constexpr int GraceMs = 30;
    // Questions a mount leaves unanswered before the next one is refused without a worker.
    static constexpr int MaxWaiting = 4;
    // Hands call to the asker's thread, after what was handed before; false once nobody is there.
    // An empty call only asks whether anybody is.
    using Post = std::function<bool(std::function<void()> call)>;

    // Runs job on a worker and done with its result on context's thread, or with nullopt when the time
    // limit passes first (a limit below 0: none); done runs before ask returns when the answer comes
    // within the grace. done is dropped when context goes first. path names what is asked about, for
    // the count per mount.
    template <typename Job, typename Done>
    static void ask(QObject *context, const QString &path, Job job, Done done, int limitMs = TimeLimitMs,
                    int graceMs = GraceMs)
    {
        using Result = decltype(job());
        auto slot = std::make_shared<std::optional<Result>>();
        run(
            context, path, [slot, job] { *slot = job(); },
            [slot, done](bool answered) { done(answered ? *slot : std::optional<Result>()); }, limitMs,
            graceMs);
    }

    // Runs job on a thread of its own, never joined and counted for no mount, or here when no thread is to
    // be had; what it posts reaches context's thread while what start returns and context are there.
    static QObject *start(QObject *context, const std::function<void(const Post &post)> &job);

private:
    static void run(QObject *context, const QString &path, std::function<void()> job,
                    std::function<void(bool answered)> done, int limitMs, int graceMs);
};
