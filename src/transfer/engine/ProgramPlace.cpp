// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/ProgramPlace.h"

#include "platform/files/FileProtection.h"
#include "platform/files/FolderHandle.h"
#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"
#include "transfer/engine/ReceivedName.h"

#include <cerrno>

namespace {

// A name to keep a program under beside another: the first of candidate's that no file of the folder
// holds, whatever the case of its letters (a share on a Windows server would take it for the same).
// Neither is ever written over.
template <typename Candidate> QString firstFree(const FolderNames &names, Candidate candidate, int from = 1)
{
    for (int number = from;; ++number) {
        const QString name = candidate(number);
        if (names.find(name).isEmpty())
            return name;
    }
}

// The first of a row of names goes without its number.
QString numbered(int number)
{
    return number > 1 ? QString::number(number) : QString();
}

} // namespace

void ProgramPlace::freshen()
{
    const qint64 changed = m_folder.changed();
    if (changed != 0 && changed == m_namesAt)
        return;
    m_names = FolderNames::read(m_folder.path());
    m_namesAt = changed;
}

// change() alters the folder; the names stay known as they were unless someone else changed it first.
template <typename Change> Outcome ProgramPlace::ownChange(Change change)
{
    const bool known = m_namesAt != 0 && m_folder.changed() == m_namesAt;
    Outcome done = change();
    if (known)
        m_namesAt = m_folder.changed();
    return done;
}

QString ProgramPlace::begin(const QString &received, QString *why)
{
    freshen();
    const QString path = ReceivedName::pathFor(m_folder.path(), received, m_names, why);
    if (path.isEmpty())
        return {};
    m_target = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    m_replaces = FileIdentity::of(path);
    return m_target;
}

Outcome ProgramPlace::create(QFile &file, const QString &temporary)
{
    Outcome created = ownChange([&] { return m_folder.create(file, temporary); });
    if (created)
        m_names.add(temporary);
    return created;
}

Outcome ProgramPlace::keep(const QString &temporary, bool keepOld, int rotate, Placed *placed)
{
    placed->taken = takenMeanwhile();
    Outcome done;
    if (placed->taken.isEmpty() && rotate > 0)
        done = keepRotated(rotate, &placed->backup);
    else if (placed->taken.isEmpty() && keepOld)
        done = keepAside(&placed->backup);
    if (done && placed->taken.isEmpty())
        done = m_replaces.isValid() ? ownChange([&] { return m_folder.replace(temporary, m_target); })
                                    : takeFreeName(temporary, &placed->taken);
    if (done && !placed->taken.isEmpty())
        done = divert(temporary, &placed->backup);
    if (!done)
        return done;
    m_names.remove(temporary);
    m_names.add(placed->taken.isEmpty() ? m_target : placed->backup);
    return {};
}

// Why the program's name may not be taken now, though it could be as the program began: no question
// can be asked during a transfer, so what another hand put there meanwhile stays.
QString ProgramPlace::takenMeanwhile() const
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

// The program takes name, never in place of a file: EEXIST in *error when name holds one. The hidden
// file goes once the name holds the program.
Outcome ProgramPlace::moveTo(const QString &temporary, const QString &name, int *error)
{
    Outcome moved = ownChange([&] { return m_folder.keepAside(temporary, name, error); });
    if (moved) // the hidden name is gone already where the file system moved it
        (void)ownChange([&] { return m_folder.remove(temporary); });
    return moved;
}

Outcome ProgramPlace::takeFreeName(const QString &temporary, QString *taken)
{
    int error = 0;
    Outcome moved = moveTo(temporary, m_target, &error);
    if (error != EEXIST)
        return moved;
    *taken = QStringLiteral("受信中に%1が作られました。").arg(NativeName::shown(m_target));
    return {};
}

Outcome ProgramPlace::divert(const QString &temporary, QString *aside)
{
    freshen();
    for (;;) {
        // "受信<NAME>", then "受信2<NAME>", ...: the name's own extension stays last, so the file list
        // knows its kind.
        *aside = firstFree(
            m_names, [this](int number) { return QStringLiteral("受信") + numbered(number) + m_target; });
        int error = 0;
        Outcome moved = moveTo(temporary, *aside, &error);
        if (error != EEXIST)
            return moved;
        m_names.add(*aside); // made meanwhile
    }
}

// The old program gets a name of its own first, so that no moment leaves it without one.
Outcome ProgramPlace::keepAside(QString *backup, int from)
{
    freshen();
    for (;;) {
        *backup = firstFree(
            m_names, [this](int number) { return backupName(number); }, from);
        int error = 0;
        Outcome kept = ownChange([&] { return m_folder.keepAside(m_target, *backup, &error); });
        if (error == EEXIST) { // made meanwhile
            m_names.add(*backup);
            continue;
        }
        if (error != 0)
            backup->clear();
        else
            m_names.add(*backup);
        return error == ENOENT ? Outcome() : kept; // no old program
    }
}

// When the rotation cannot make room, the old program still gets a backup of its own, past the rotation.
Outcome ProgramPlace::keepRotated(int rotate, QString *backup)
{
    if (!m_replaces.isValid())
        return {}; // nothing replaced: the backups stay as they are
    if (shiftBackups(rotate))
        return keepAside(backup);
    m_namesAt = 0; // a step half done: read anew what it left
    return keepAside(backup, rotate + 1);
}

// Frees "<NAME>.BAK": each backup before the first gap takes the next number, the oldest going when all
// rotate are there. Each move links first, so no step leaves a backup without a name.
bool ProgramPlace::shiftBackups(int rotate)
{
    freshen();
    QStringList held; // on disk, newest first
    while (held.size() < rotate) {
        const QString name = m_names.find(backupName(int(held.size()) + 1));
        if (name.isEmpty())
            break;
        held << name;
    }
    const auto status = [this](const QString &name) {
        return NativeFile::status(NativeFile::join(m_folder.path(), name));
    };
    if (held.size() == rotate) {
        const std::optional<NativeFile::Status> oldest = status(held.last());
        // A protected backup is the operator's to remove.
        if (!oldest || FileProtection::isProtected(oldest->permissions) ||
            !ownChange([&] { return m_folder.remove(held.last()); }))
            return false;
        m_names.remove(held.takeLast());
    }
    for (qsizetype i = held.size(); i > 0; --i) {
        int error = 0; // a link made whose old name stays stops the shift as well
        if (!moveTo(held.at(i - 1), backupName(int(i) + 1), &error) || status(held.at(i - 1)))
            return false;
        m_names.remove(held.at(i - 1));
        m_names.add(backupName(int(i) + 1));
    }
    return true;
}

// "<NAME>.BAK", then "<NAME>.BAK2", "<NAME>.BAK3", ...
QString ProgramPlace::backupName(int number) const
{
    return m_target + QStringLiteral(".BAK") + numbered(number);
}
