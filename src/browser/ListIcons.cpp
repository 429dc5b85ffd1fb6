// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/ListIcons.h"

#include "core/FileTypeCatalogue.h"

ListIcons::ListIcons()
    : m_icons{QIcon(QStringLiteral(":/icons/list-file.svg")),
              QIcon(QStringLiteral(":/icons/list-workbook.svg")),
              QIcon(QStringLiteral(":/icons/list-document.svg")),
              QIcon(QStringLiteral(":/icons/list-picture.svg"))}
{
    static_assert(FileTypeCatalogue::GeneralFile == 1 && FileTypeCatalogue::Workbook == 2 &&
                  FileTypeCatalogue::Document == 3 && FileTypeCatalogue::Picture == 4);
}

const QIcon &ListIcons::icon(int position) const
{
    // Any other position is a general file, as before.
    const bool known = position >= FileTypeCatalogue::GeneralFile && position <= FileTypeCatalogue::Picture;
    return m_icons[known ? size_t(position - 1) : 0];
}
