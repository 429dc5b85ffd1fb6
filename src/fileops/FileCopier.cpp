// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/FileCopier.h"

#include "platform/files/FolderHandle.h"
#include "platform/files/NativeFile.h"
#include "platform/text/SystemReason.h"

#include <QRandomGenerator>
#include <QScopeGuard>

#include <cerrno>

namespace {

constexpr int NameTries = 100;

// Hidden, so that the list never shows a copy under way; made new each time, so two pastes into one
// folder (another window, another PC) never write into each other's copy.
QString hiddenName()
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString name = QStringLiteral(".talvern-copy-");
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))]);
    return name;
}

} // namespace

FileCopier::FileCopier(const QString &source)
{
    const std::optional<NativeFile::Status> status = NativeFile::status(source);
    const Outcome opened = NativeFile::open(m_source, source, QIODevice::ReadOnly);
    if (!opened || !status) {
        fail(opened ? SystemReason::of(ENOENT) : opened.reason());
        return;
    }
    m_modified = status->modified;
    m_permissions = status->permissions;
}

bool FileCopier::copyTo(const FolderHandle &folder, const QString &name,
                        const std::function<bool()> &mayReplace, const std::function<bool()> &keepGoing)
{
    if (!m_source.isOpen())
        return false;
    m_failure.clear();
    // Written under a hidden name of its own beside the target and renamed when whole, so a copy cut
    // short never stands under the target's name.
    QFile copy;
    QString hidden;
    const QString taken = SystemReason::of(EEXIST);
    for (int tries = 1;; ++tries) {
        hidden = hiddenName();
        const Outcome created = folder.create(copy, hidden);
        if (created)
            break;
        if (created.reason() != taken || tries == NameTries)
            return fail(created.reason());
    }
    auto discard = qScopeGuard([&copy, &folder, &hidden] {
        copy.close();
        (void)folder.remove(hidden); // a leftover is a hidden file the list never shows
    });
    if (!m_source.seek(0))
        return fail(SystemReason::of(m_source));
    char block[64 * 1024];
    for (;;) {
        const qint64 read = m_source.read(block, sizeof block);
        if (read < 0)
            return fail(SystemReason::of(m_source));
        if (read == 0)
            break;
        if (copy.write(block, read) != read)
            return fail(SystemReason::of(copy));
        if (read == qint64(sizeof block) && keepGoing && !keepGoing())
            return fail(QString());
    }
    // Written out before the time is set, or the last write would stamp the time of the copy.
    if (!copy.flush() || !copy.setPermissions(m_permissions) ||
        !copy.setFileTime(m_modified, QFileDevice::FileModificationTime))
        return fail(SystemReason::of(copy));
    if (mayReplace && !mayReplace())
        return fail(QString());
    if (const Outcome replaced = folder.replace(hidden, name); !replaced)
        return fail(replaced.reason());
    discard.dismiss();
    // The rename gave the copy the protection of the file it replaced: a copy keeps its source's.
    return copy.setPermissions(m_permissions) || fail(SystemReason::of(copy));
}

bool FileCopier::fail(const QString &why)
{
    m_failure = why;
    return false;
}
