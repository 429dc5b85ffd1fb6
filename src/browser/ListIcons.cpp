#include "browser/ListIcons.h"

#include "core/FileTypeCatalogue.h"

QIcon ListIcons::icon(int position)
{
    switch (position) {
    case FileTypeCatalogue::Workbook:
        return QIcon(QStringLiteral(":/icons/list-workbook.svg"));
    case FileTypeCatalogue::Document:
        return QIcon(QStringLiteral(":/icons/list-document.svg"));
    case FileTypeCatalogue::Picture:
        return QIcon(QStringLiteral(":/icons/list-picture.svg"));
    default:
        return QIcon(QStringLiteral(":/icons/list-file.svg"));
    }
}
