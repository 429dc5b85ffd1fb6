// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/FolderNames.h"

#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"

FolderNames::FolderNames(const QStringList &names)
{
    m_names.reserve(names.size());
    for (const QString &name : names)
        add(name);
}

FolderNames FolderNames::read(const QString &folder)
{
    return FolderNames(NativeFile::entries(folder));
}

// A name a Windows machine wrote in Shift_JIS is the same name as its text; bytes that read as neither
// compare as they are.
QString FolderNames::key(const QString &name)
{
    if (!NativeName::isEscaped(name))
        return name.toCaseFolded();
    const QString text = NativeName::shown(name);
    return (text.contains(QChar::ReplacementCharacter) ? name : text).toCaseFolded();
}

QString FolderNames::find(const QString &name) const
{
    const QString wanted = key(name);
    const size_t hash = qHash(wanted);
    QStringList twins;
    for (auto at = m_names.constFind(hash); at != m_names.cend() && at.key() == hash; ++at) {
        if (*at == name)
            return name;
        if (key(*at) == wanted)
            twins.append(*at);
    }
    if (twins.isEmpty())
        return {};
    twins.sort();
    const bool escaped = NativeName::isEscaped(name);
    for (const QString &twin : std::as_const(twins)) {
        if (NativeName::isEscaped(twin) == escaped)
            return twin;
    }
    return twins.first();
}

bool FolderNames::contains(const QString &name) const
{
    return m_names.contains(hashOf(name), name);
}

void FolderNames::add(const QString &name)
{
    const size_t hash = hashOf(name);
    if (!m_names.contains(hash, name))
        m_names.insert(hash, name);
}

void FolderNames::remove(const QString &name)
{
    m_names.remove(hashOf(name), name);
}
