#include "platform/FileProtection.h"

#include <QFileInfo>

bool FileProtection::isProtected(const QFileInfo &info)
{
    // The mode bits, not "writable by me": root may write anything, yet the file is protected.
    // On Windows Qt reports the read-only attribute as the absence of these bits.
    const QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return (info.permissions() & anyWrite) == 0;
}
