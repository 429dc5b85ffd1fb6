// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ReceivingPath.h"

#include "platform/files/NativeFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QSysInfo>

#include <algorithm>
#include <optional>

#if defined(Q_OS_LINUX)
#include <unistd.h>
#endif

namespace {

const QLatin1String HiddenPrefix(".talvern-receive..");

FileIdentity folderOf(const ReceivingPath::Program &program)
{
    return program.folder.isValid() ? program.folder : FileIdentity::of(program.folderPath);
}

// Dots part the pieces of a hidden name, so the computer's name has none.
QString hostTag()
{
    QString host = QSysInfo::machineHostName();
    for (QChar &c : host) {
        if (!(c.isDigit() || c == QLatin1Char('-') || (c.unicode() < 0x80 && c.isLetter())))
            c = QLatin1Char('-');
    }
    return host.isEmpty() ? QStringLiteral("-") : host;
}

#if defined(Q_OS_LINUX)
QByteArray readProc(const QByteArray &path)
{
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

// An upgrade replaces the program under a running one, which then reads as "(deleted)".
QByteArray executableOf(const QByteArray &process)
{
    char target[4096];
    const ssize_t length = ::readlink((process + "/exe").constData(), target, sizeof target);
    if (length <= 0 || length >= ssize_t(sizeof target))
        return {};
    QByteArray path(target, length);
    if (path.endsWith(" (deleted)"))
        path.chop(10);
    return path;
}

// Another user's process shows its name, not its program: either one that matches is enough.
bool isTalvern(qint64 pid)
{
    const QByteArray process = "/proc/" + QByteArray::number(pid);
    if (::access(process.constData(), F_OK) != 0)
        return false;
    const QByteArray name = readProc(process + "/comm"), program = executableOf(process);
    return (!name.isEmpty() && name == readProc("/proc/self/comm")) ||
           (!program.isEmpty() && program == executableOf("/proc/self"));
}
#endif

} // namespace

void ReceivingPath::set(const Program &program)
{
    const QMutexLocker lock(&m_mutex);
    m_programs.insert(program.temporary, program);
}

void ReceivingPath::clear(const QString &temporary)
{
    const QMutexLocker lock(&m_mutex);
    m_programs.remove(temporary);
}

QList<ReceivingPath::Program> ReceivingPath::programs() const
{
    const QMutexLocker lock(&m_mutex);
    return m_programs.values();
}

bool ReceivingPath::isEmpty() const
{
    const QMutexLocker lock(&m_mutex);
    return m_programs.isEmpty();
}

// Names compare without regard to case: a file differing only in case would be the program's twin.
bool ReceivingPath::is(const QString &path) const
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = path.mid(slash + 1);
    std::optional<FileIdentity> folder;
    for (const Program &program : programs()) {
        if (name.compare(program.name, Qt::CaseInsensitive) != 0 && name != program.temporary)
            continue;
        if (!folder)
            folder = FileIdentity::of(slash < 0 ? QStringLiteral(".") : path.left(qMax(slash, 1)));
        if (folder->isValid() && *folder == folderOf(program))
            return true;
    }
    return false;
}

bool ReceivingPath::isIn(const QString &folder) const
{
    const QList<Program> published = programs();
    if (published.isEmpty())
        return false;
    const FileIdentity identity = FileIdentity::of(folder);
    return identity.isValid() &&
           std::any_of(published.cbegin(), published.cend(),
                       [&identity](const Program &program) { return folderOf(program) == identity; });
}

QString ReceivingPath::hiddenName()
{
    return HiddenPrefix + QStringLiteral("%1.%2.%3")
                              .arg(hostTag())
                              .arg(QCoreApplication::applicationPid())
                              .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

void ReceivingPath::removeLeftovers(const QString &folder)
{
#if defined(Q_OS_LINUX)
    const QString host = hostTag();
    for (const QString &name : NativeFile::entries(folder)) {
        if (!name.startsWith(HiddenPrefix))
            continue;
        const QStringList owner = name.mid(HiddenPrefix.size()).split(QLatin1Char('.'));
        bool number = false;
        const qint64 pid = owner.size() == 3 ? owner.at(1).toLongLong(&number) : 0;
        if (number && pid > 0 && owner.at(0) == host && !isTalvern(pid))
            (void)NativeFile::remove(NativeFile::join(folder, name)); // left for the next start
    }
#else
    Q_UNUSED(folder); // whose a file is cannot be told here
#endif
}
