// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QFile>
#include <QRegularExpression>
#include <QString>

// The version the build declares, read from the build's own description: "1.3.8".
inline QString projectVersion()
{
    QFile lists(QStringLiteral(TALVERN_SOURCE_DIR "/CMakeLists.txt"));
    if (!lists.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression declared(
        QStringLiteral("project\\(Talvern VERSION ([0-9]+\\.[0-9]+\\.[0-9]+)"));
    return declared.match(QString::fromUtf8(lists.readAll())).captured(1);
}
