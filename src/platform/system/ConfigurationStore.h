// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// The machine-wide configuration store (the system registry): the platform's in the program, a script
// in the tests.
class ConfigurationStore {
public:
    enum class Root { LocalMachine };
    struct Value {
        bool found = false;
        QString text; // empty when not found
    };

    virtual ~ConfigurationStore() = default;
    virtual Value GetKeyValue(Root root, const QString &keyPath, const QString &valueName) const = 0;
};
