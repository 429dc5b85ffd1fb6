#pragma once

#include <QString>

class QFileInfo;

// "Protected" (read-only) means that no one may write the file.
class FileProtection final {
public:
    static bool isProtected(const QFileInfo &info);
};
