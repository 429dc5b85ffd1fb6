// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FolderNames.h"
#include "fileops/CopyBuffer.h"
#include "platform/files/FileIdentity.h"
#include "platform/files/FolderHandle.h"
#include "platform/ui/BusyCursor.h"

#include <optional>

struct AppState;
class Notices;
class PasteProgress;

// One paste of the copy buffer into one folder. The folder is held from the start, so the copies go
// there whatever the window turns to meanwhile, and its names are read once and kept as the copies
// are made: a paste costs the same for each file, however many the folder holds.
class Paste final {
public:
    Paste(AppState &state, const CopyBuffer &buffer, Notices &notices, PasteProgress &progress);

    void into(const QString &folder);

private:
    enum class Outcome { Copied, Skipped, Cancelled, FolderGone };
    // What the target's name held when it was looked at.
    struct Held {
        FileIdentity identity;
        bool isProtected = false;
        bool operator==(const Held &) const = default;
    };
    struct Target {
        QString name;     // as messages give it
        QString diskName; // in the folder
        QString path;
        bool exists = false;
        Held held;
    };

    Outcome paste(const CopyBuffer::Entry &entry);
    Target targetOf(const CopyBuffer::Entry &entry) const;
    static Held heldAt(const QString &path);
    bool refusedWhileReceived(const Target &target);
    bool mayOverwrite(const Target &target, const QString &failed);
    bool folderStillThere();

    AppState &m_state;
    const CopyBuffer &m_buffer;
    Notices &m_notices;
    PasteProgress &m_progress;
    FolderHandle m_folder;
    QString m_path; // where m_folder is
    FolderNames m_names;
    bool m_intoSource = false;
    std::optional<BusyCursor> m_busy; // while files are written; the questions show the usual pointer
};
