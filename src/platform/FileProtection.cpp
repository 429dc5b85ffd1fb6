#include "platform/FileProtection.h"

#include <QFileInfo>

bool FileProtection::isProtected(const QFileInfo &info)
{
    // On Windows Qt reports the read-only attribute as the absence of the write bits.
    const QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
    return (info.permissions() & anyWrite) == 0;
}
