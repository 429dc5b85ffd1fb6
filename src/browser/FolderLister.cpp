// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FolderLister.h"

#include <QElapsedTimer>

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

// How a listing finds its lister, or learns that it is gone or wants another listing now.
struct FolderLister::Channel {
    std::mutex lock;
    FolderLister *owner = nullptr;
    std::atomic<quint64> turn = 0;
};

FolderLister::FolderLister(QObject *parent) : QObject(parent), m_channel(std::make_shared<Channel>())
{
    m_channel->owner = this;
}

FolderLister::~FolderLister()
{
    const std::lock_guard<std::mutex> hold(m_channel->lock);
    m_channel->owner = nullptr;
}

void FolderLister::drop()
{
    ++m_channel->turn;
    m_busy = false;
}

void FolderLister::list(const QString &folder)
{
    const quint64 turn = ++m_channel->turn;
    m_folder = folder;
    m_busy = true;
    const auto work = [channel = m_channel, folder, turn] {
        const auto hand = [&](QList<ListedFile> &files, bool last) {
            const std::lock_guard<std::mutex> hold(channel->lock);
            if (FolderLister *owner = channel->owner) {
                QMetaObject::invokeMethod(
                    owner,
                    [owner, turn, files = std::move(files), last] { owner->arrived(turn, files, last); },
                    Qt::QueuedConnection);
            }
            files = {};
        };
        // The first rows are put in order alone, so that they show before the rest is sorted.
        QStringList names = FolderListing::names(folder);
        qsizetype ordered = FolderListing::order(names, 0, FirstRows);
        QList<ListedFile> files;
        QElapsedTimer since;
        since.start();
        bool first = true;
        for (qsizetype from = 0; from < names.size();) {
            if (channel->turn != turn)
                return; // no one waits for the rest
            // A few at a time, for the first rows of a slow share; names of one key stay together, as
            // a pair that differs only in case shows each its own case.
            if (from == ordered)
                ordered = FolderListing::order(names, from, names.size());
            qsizetype end = std::min(from + 100, ordered);
            while (end < ordered &&
                   FolderListing::sortKey(names[end]) == FolderListing::sortKey(names[end - 1]))
                ++end;
            files += FolderListing::details(folder, names.mid(from, end - from));
            from = end;
            if (first ? files.size() >= FirstRows : since.elapsed() >= BatchMs) {
                first = false;
                hand(files, false);
                since.restart();
            }
        }
        hand(files, true);
    };
    try {
        std::thread(work).detach();
    } catch (const std::system_error &) {
        work(); // no thread to be had: the window waits rather than shows nothing
    }
}

void FolderLister::arrived(quint64 turn, const QList<ListedFile> &files, bool last)
{
    if (turn != m_channel->turn)
        return;
    if (last)
        m_busy = false;
    if (!files.isEmpty())
        emit rows(files);
    if (last)
        emit finished();
}
