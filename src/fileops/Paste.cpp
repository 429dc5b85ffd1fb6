// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/Paste.h"

#include "core/AppState.h"
#include "fileops/FileCopier.h"
#include "fileops/Notices.h"
#include "fileops/PasteProgress.h"
#include "platform/files/FileProtection.h"
#include "platform/files/NativeFile.h"
#include "platform/text/SystemReason.h"

#include <QScopeGuard>

#include <cerrno>

namespace {

const QString CopyTitle = QStringLiteral("ファイルのコピー");
const QString Copy = QStringLiteral("コピー");

} // namespace

Paste::Paste(AppState &state, const CopyBuffer &buffer, Notices &notices, PasteProgress &progress)
    : m_state(state), m_buffer(buffer), m_notices(notices), m_progress(progress)
{
}

void Paste::into(const QString &folder)
{
    const QList<CopyBuffer::Entry> entries = m_buffer.entries;
    if (entries.isEmpty())
        return;
    if (const ::Outcome opened = m_folder.open(folder); !opened) {
        m_notices.failure(QStringLiteral("貼り付けが出来ませんでした。"), opened.reason());
        return;
    }
    m_path = folder;
    m_names = FolderNames::read(folder);
    // Also when one path reaches the folder through a link.
    m_intoSource = FileIdentity::of(m_buffer.sourceFolder) == m_folder.identity();
    m_busy.emplace();
    m_progress.start(entries.size());
    qsizetype copied = 0;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        m_progress.show(i);
        const Outcome outcome = m_progress.cancelled() ? Outcome::Cancelled : paste(entries[i]);
        if (outcome == Outcome::Copied)
            ++copied;
        if (outcome != Outcome::Cancelled && outcome != Outcome::FolderGone)
            continue;
        const QString stopped = QStringLiteral("貼り付けを中止しました。(%1個のうち%2個をコピーしました)")
                                    .arg(entries.size())
                                    .arg(copied);
        if (outcome == Outcome::Cancelled)
            m_notices.log(stopped);
        else
            m_notices.failure(stopped, SystemReason::of(ENOENT));
        break;
    }
    m_progress.finish();
    m_busy.reset();
}

// Into another folder under the entry's own name, into the source folder as "コピー" + name once the
// name is taken there; a name that exists in another case keeps that spelling, so no second file
// differing only in case is made.
Paste::Target Paste::targetOf(const CopyBuffer::Entry &entry) const
{
    Target target;
    target.name = entry.text;
    target.diskName = entry.diskName;
    QString existing = m_names.find(entry.diskName);
    if (!existing.isEmpty() && m_intoSource) {
        target.name = Copy + entry.text;
        target.diskName = Copy + entry.diskName;
        existing = m_names.find(target.diskName);
    }
    target.exists = !existing.isEmpty();
    if (target.exists)
        target.diskName = existing;
    target.path = NativeFile::join(m_path, target.diskName);
    target.held = heldAt(target.path);
    return target;
}

Paste::Held Paste::heldAt(const QString &path)
{
    const std::optional<NativeFile::Status> status = NativeFile::status(path);
    return {FileIdentity::of(path), status && FileProtection::isProtected(status->permissions)};
}

// Checked again right before the copy takes the target's name: a program may have begun to arrive
// under it while the question was open or the copy was written, or arrived whole and taken the place
// of the file the question was about, which is then asked about anew; another window or PC may have
// protected it, which refuses it as before.
Paste::Outcome Paste::paste(const CopyBuffer::Entry &entry)
{
    const QString source = NativeFile::join(m_buffer.sourceFolder, entry.diskName);
    for (;;) {
        if (!folderStillThere())
            return Outcome::FolderGone;
        const Target target = targetOf(entry);
        if (refusedWhileReceived(target))
            return Outcome::Skipped;
        const QString failed = target.name + QStringLiteral("をコピーできませんでした。");
        FileCopier copier(source);
        if (!copier.failure().isEmpty()) {
            m_notices.failure(failed, copier.failure());
            return Outcome::Skipped;
        }
        if (target.exists && !mayOverwrite(target, failed))
            return Outcome::Skipped;
        const auto unchanged = [this, &target] {
            return !m_state.Transfer.Receiving.is(target.path) && heldAt(target.path) == target.held;
        };
        bool cancelled = false;
        const auto keepGoing = [this, &cancelled] { return !(cancelled = m_progress.cancelled()); };
        if (copier.copyTo(m_folder, target.diskName, unchanged, keepGoing)) {
            m_names.add(target.diskName);
            return Outcome::Copied;
        }
        if (!copier.failure().isEmpty()) {
            m_notices.failure(failed, copier.failure());
            return Outcome::Skipped;
        }
        if (cancelled)
            return Outcome::Cancelled;
        m_names = FolderNames::read(m_path); // the folder changed under the paste
    }
}

bool Paste::refusedWhileReceived(const Target &target)
{
    if (!m_state.Transfer.Receiving.is(target.path))
        return false;
    m_notices.refuse(target.name + QStringLiteral("は受信中なので貼り付けが出来ません。"), CopyTitle);
    return true;
}

bool Paste::mayOverwrite(const Target &target, const QString &failed)
{
    const std::optional<NativeFile::Status> status = NativeFile::status(target.path);
    if (!status || !status->isFile) {
        m_notices.failure(failed, QStringLiteral("同じ名前のフォルダーがあります。"));
        return false;
    }
    const auto pointer = qScopeGuard([this] { m_busy.emplace(); });
    m_busy.reset();
    if (FileProtection::isProtected(status->permissions)) {
        m_notices.refuse(
            target.name + QStringLiteral("は既に保護されているファイルが存在するので貼り付けが出来ません。"),
            CopyTitle);
        return false;
    }
    return m_notices.ask(target.name +
                             QStringLiteral("は既にファイルが存在します。\nファイルを重ね書きしますか？"),
                         CopyTitle);
}

// The folder's path leads elsewhere once the folder is renamed (by another window, another PC): the
// paste goes on in the folder it began in, where the system says it is now.
bool Paste::folderStillThere()
{
    if (FileIdentity::of(m_path) == m_folder.identity())
        return true;
    const QString now = m_folder.path();
    if (FileIdentity::of(now) != m_folder.identity())
        return false;
    m_path = now;
    m_names = FolderNames::read(now);
    return true;
}
