// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// What a machine's listening uses, kept in a file beside its .mch without changing the .mch layout that
// shops' files rely on.
struct ListenSettings {
    QString SendWord = QStringLiteral("SEND");
    QString ListWord = QStringLiteral("LIST");
    QString Folder; // where requests are served from and programs stored; "" = the folder shown; relative:
                    // to the settings folder
    int Dc1WaitSeconds = 300; // how long an answer waits for the control's DC1
    int Backups = 5;          // backups kept of a program that a received one replaces (0: none)

    // The file beside <settingsFolder>/<mch>: same base name, extension ".LSN" (e.g. OSP-E100.LSN), INI
    // (group [Listen]); the spelling on disk when only its case differs. "" when no machine is named.
    static QString fileFor(const QString &settingsFolder, const QString &mchFileName);
    // Reads it; values missing or invalid keep their defaults, numbers out of range are clamped. A missing
    // file is written with the defaults, so that a shop finds it to edit; failing that is no failure.
    static ListenSettings load(const QString &settingsFolder, const QString &mchFileName);
};
