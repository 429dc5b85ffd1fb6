// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

class FolderNames;

// Where a received program may be stored: a plain name inside the folder shown, never elsewhere.
class ReceivedName final {
public:
    // The longest name a folder can hold, in bytes on disk.
    static constexpr qsizetype MaxNameBytes = 255;

    // Why name can be no file's name in the folder, by the name alone; "" when it can.
    static QString refusal(const QString &name);
    // The full path for name in folder (a NativeName): name itself when the folder holds it, else an
    // existing twin's own spelling when only the case or the encoding differs (from names, the
    // folder's, which this corrects where the disk says otherwise); "" with the reason when the name
    // cannot be taken or the file is protected. It asks the file system about these names alone.
    static QString pathFor(const QString &folder, const QString &name, FolderNames &names, QString *why);
    static QString tooLong();
};
