// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ReceivingPath.h"

void ReceivingPath::set(const Program &program)
{
    const QMutexLocker lock(&m_mutex);
    m_program = program;
}

ReceivingPath::Program ReceivingPath::get() const
{
    const QMutexLocker lock(&m_mutex);
    return m_program;
}

bool ReceivingPath::isEmpty() const
{
    return !get().folder.isValid();
}

// Names compare without regard to case: a file differing only in case would be the program's twin.
bool ReceivingPath::is(const QString &path) const
{
    const Program program = get();
    if (!program.folder.isValid())
        return false;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = path.mid(slash + 1);
    if (name.compare(program.name, Qt::CaseInsensitive) != 0 && name != program.temporary)
        return false;
    return FileIdentity::of(slash < 0 ? QStringLiteral(".") : path.left(qMax(slash, 1))) == program.folder;
}

bool ReceivingPath::isIn(const QString &folder) const
{
    const Program program = get();
    return program.folder.isValid() && FileIdentity::of(folder) == program.folder;
}
