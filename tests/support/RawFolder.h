// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A folder whose name is these very bytes (Shift_JIS, as a Windows share writes it), made in parent and
// removed with all it holds when the test ends, also after a failed check: QTemporaryDir reaches no
// name that is not UTF-8 and would leave it behind.
class RawFolder final {
public:
    RawFolder(const QString &parent, const QByteArray &name)
        : m_path(NativeFile::join(parent, NativeName::fromBytes(name)))
    {
        if (!NativeFile::makeFolder(m_path).ok())
            qFatal("cannot make the folder %s", NativeName::toBytes(m_path).toHex().constData());
    }
    ~RawFolder() { removeAll(m_path); }
    RawFolder(const RawFolder &) = delete;
    RawFolder &operator=(const RawFolder &) = delete;

    QString path() const { return m_path; } // as NativeName holds it

    static void removeAll(const QString &folder)
    {
        for (const QString &name : NativeFile::entries(folder)) {
            const QString path = NativeFile::join(folder, name);
            if (!NativeFile::remove(path).ok())
                removeAll(path);
        }
        (void)NativeFile::removeFolder(folder);
    }

private:
    QString m_path;
};
