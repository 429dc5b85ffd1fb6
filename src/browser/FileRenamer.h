// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

struct AppState;
class MessageBoxes;

// The in-place rename of a listed file, with the rules of a Windows file system.
class FileRenamer final {
public:
    FileRenamer(AppState &state, MessageBoxes &messages) : m_state(state), m_messages(messages) {}

    // The end of an edit of the row shown as shownName: refused, with a word, when a reception will
    // take newName, which would put the program it receives in place of the renamed file; the file
    // system's own refusals are silent.
    void renameRow(const QString &folder, const QString &diskName, const QString &shownName,
                   const QString &newName);

    // Renames the row shown as shownName (diskName on disk) in folder to newName exactly as typed;
    // false when refused or failed. An unchanged text renames nothing.
    static bool rename(const QString &folder, const QString &diskName, const QString &shownName,
                       const QString &newName);

private:
    AppState &m_state;
    MessageBoxes &m_messages;
};
