// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QIcon>

#include <array>

// The file list's four small icons, addressed by position 1 to 4. Made once and shared by every row:
// an icon read per row costs a parse of its image and its own memory.
class ListIcons final {
public:
    ListIcons();
    const QIcon &icon(int position) const;

private:
    std::array<QIcon, 4> m_icons;
};
