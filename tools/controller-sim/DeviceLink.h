// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

#include <filesystem>

// A symbolic link at a path that stays the same from run to run, to a device whose name does not (a
// new pty each start), so that Talvern's port entry names it once. It replaces a link left behind by
// an earlier run, never anything else, and goes with the simulator unless a later one has taken the
// path over.
class DeviceLink final {
public:
    DeviceLink() = default;
    ~DeviceLink() { remove(); }
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    bool make(const QString &path, const QString &target);
    void remove();
    QString path() const;
    QString errorString() const { return m_errorString; }

    // $XDG_RUNTIME_DIR/talvern-sim, else /tmp/talvern-sim-<uid>.
    static QString defaultPath();

private:
    std::filesystem::path m_link;
    std::filesystem::path m_target;
    QString m_errorString;
};
