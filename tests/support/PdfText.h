// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The text of a PDF as pdftotext lays it out, one entry a page.
inline QStringList pdfPages(const QString &pdf)
{
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0)
        return {QStringLiteral("pdftotext failed: ") + QString::fromUtf8(reader.readAllStandardError())};
    QStringList pages = QString::fromUtf8(reader.readAllStandardOutput()).split(u'\f');
    if (pages.size() > 1 && pages.constLast().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}
