// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/FolderNames.h"

#include "platform/NativeFile.h"
#include "platform/NativeName.h"

#include <algorithm>

FolderNames::FolderNames(const QStringList &names)
{
    m_alone.reserve(names.size());
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
    const QString k = key(name);
    if (const auto alone = m_alone.constFind(k); alone != m_alone.cend())
        return *alone;
    const auto twins = m_twins.constFind(k);
    if (twins == m_twins.cend())
        return {};
    if (twins->contains(name))
        return name;
    const bool escaped = NativeName::isEscaped(name);
    for (const QString &twin : *twins) {
        if (NativeName::isEscaped(twin) == escaped)
            return twin;
    }
    return twins->first();
}

bool FolderNames::contains(const QString &name) const
{
    const QString k = key(name);
    if (const auto alone = m_alone.constFind(k); alone != m_alone.cend())
        return *alone == name;
    const auto twins = m_twins.constFind(k);
    return twins != m_twins.cend() && twins->contains(name);
}

QStringList FolderNames::names() const
{
    QStringList names;
    names.reserve(m_size);
    for (const QString &name : m_alone)
        names.append(name);
    for (const QStringList &twins : m_twins)
        names.append(twins);
    return names;
}

void FolderNames::add(const QString &name)
{
    const QString k = key(name);
    if (const auto alone = m_alone.find(k); alone != m_alone.end()) {
        if (*alone == name)
            return;
        QStringList twins{*alone, name};
        twins.sort();
        m_alone.erase(alone);
        m_twins.insert(k, twins);
    } else if (const auto twins = m_twins.find(k); twins != m_twins.end()) {
        const auto at = std::lower_bound(twins->begin(), twins->end(), name);
        if (at != twins->end() && *at == name)
            return;
        twins->insert(at, name);
    } else {
        m_alone.insert(k, name);
    }
    ++m_size;
}

void FolderNames::remove(const QString &name)
{
    const QString k = key(name);
    if (const auto alone = m_alone.find(k); alone != m_alone.end()) {
        if (*alone != name)
            return;
        m_alone.erase(alone);
    } else if (const auto twins = m_twins.find(k); twins != m_twins.end()) {
        if (!twins->removeOne(name))
            return;
        if (twins->size() == 1) {
            m_alone.insert(k, twins->first());
            m_twins.erase(twins);
        }
    } else {
        return;
    }
    --m_size;
}
