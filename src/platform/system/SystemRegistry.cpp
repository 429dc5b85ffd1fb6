// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/system/SystemRegistry.h"

#include <QtGlobal>

#if defined(Q_OS_WIN)

#include <qt_windows.h>

ConfigurationStore::Value SystemRegistry::GetKeyValue(Root root, const QString &keyPath,
                                                      const QString &valueName) const
{
    Q_UNUSED(root); // the machine-wide root is the only one asked for
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t *>(keyPath.utf16()), 0, 0x2003F,
                      &key) != ERROR_SUCCESS)
        return {};
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t); // a string stored without its NUL still ends in one
    DWORD type = REG_NONE;
    const LSTATUS read = RegQueryValueExW(key, reinterpret_cast<const wchar_t *>(valueName.utf16()), nullptr,
                                          &type, reinterpret_cast<BYTE *>(buffer), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS)
        return {};
    if (type == REG_SZ)
        return {true, QString::fromWCharArray(buffer)}; // up to the first NUL
    if (type == REG_DWORD)
        return {true, QString::number(*reinterpret_cast<const DWORD *>(buffer))};
    return {true, QString()};
}

#else

ConfigurationStore::Value SystemRegistry::GetKeyValue(Root root, const QString &keyPath,
                                                      const QString &valueName) const
{
    Q_UNUSED(root);
    Q_UNUSED(keyPath);
    Q_UNUSED(valueName);
    return {};
}

#endif
