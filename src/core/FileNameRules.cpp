// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/FileNameRules.h"

#include <QFile>

FileNameRules::Fault FileNameRules::check(const QString &name)
{
    if (name.isEmpty())
        return Fault::Empty;
    // A leading dot would hide the entry from the panes ("." and ".." among them); a trailing dot or
    // blank Windows drops silently.
    if (name.startsWith(QLatin1Char('.')))
        return Fault::LeadingDot;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c))
            return Fault::ForbiddenCharacter;
    }
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return Fault::TrailingDotOrBlank;
    return QFile::encodeName(name).size() > 255 ? Fault::TooLong : Fault::None;
}
