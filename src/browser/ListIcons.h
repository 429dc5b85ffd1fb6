#pragma once

#include <QIcon>

// The file list's four small icons, addressed by position 1 to 4.
class ListIcons final {
public:
    static QIcon icon(int position);
};
