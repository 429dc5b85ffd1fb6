// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/BindMount.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QStorageInfo>

#include <csignal>

BindMount::BindMount(const QString &underneath, const QString &in)
    : m_point(QDir(in).filePath(QStringLiteral("share-XXXXXX")))
{
    if (!OwnMounts::failure().isEmpty()) {
        m_failure = QStringLiteral("no mount namespace of its own: ") + OwnMounts::failure();
        return;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("bindfs")).isEmpty()) {
        m_failure = QStringLiteral("bindfs is not installed");
        return;
    }
    m_bindfs.setProcessChannelMode(QProcess::MergedChannels);
    // In the foreground, so the mount lives exactly as long as this process.
    m_bindfs.start(QStringLiteral("bindfs"), {"-f", "--no-allow-other", underneath, path()});
    for (const QDeadlineTimer deadline(10000); !deadline.hasExpired();) {
        if (QStorageInfo(path()).rootPath() == path())
            return;
        if (m_bindfs.state() == QProcess::NotRunning || m_bindfs.waitForFinished(20)) {
            m_failure = QStringLiteral("bindfs cannot mount (is /dev/fuse there?): ") +
                        QString::fromLocal8Bit(m_bindfs.readAll()).trimmed();
            return;
        }
    }
    m_failure = QStringLiteral("bindfs did not mount within 10 s");
}

// A mount whose bindfs was killed stays behind, its folder dead: it is taken down all the same.
BindMount::~BindMount()
{
    if (m_bindfs.state() != QProcess::NotRunning) {
        goOn();
        m_bindfs.terminate(); // it unmounts as it ends
        if (!m_bindfs.waitForFinished(5000)) {
            m_bindfs.kill();
            m_bindfs.waitForFinished(5000);
        }
    }
    if (m_failure.isEmpty() && QStorageInfo(path()).rootPath() == path())
        QProcess::execute(QStandardPaths::findExecutable(QStringLiteral("fusermount3")).isEmpty()
                              ? QStringLiteral("fusermount")
                              : QStringLiteral("fusermount3"),
                          {"-u", "-z", path()});
}

void BindMount::stop()
{
    ::kill(pid_t(m_bindfs.processId()), SIGSTOP);
}

void BindMount::goOn()
{
    ::kill(pid_t(m_bindfs.processId()), SIGCONT);
}

bool BindMount::holdsUpAThread()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile waitsIn(tasks.filePath(task + QStringLiteral("/wchan")));
        if (waitsIn.open(QIODevice::ReadOnly) && waitsIn.readAll() == "request_wait_answer")
            return true;
    }
    return false;
}

StoppedShare::StoppedShare(BindMount &mount) : m_share(mount)
{
    m_share.stop();
    m_watch = std::thread([this] {
        if (!m_over.tryAcquire(1, 60'000)) {
            m_wentOn = true;
            m_share.goOn();
        }
    });
}

StoppedShare::~StoppedShare()
{
    m_over.release();
    m_watch.join();
    m_share.goOn();
}
