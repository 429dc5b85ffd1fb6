// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FileRows.h"
#include "transfer/engine/RequestProgram.h"

#include <QString>

struct Answer {
    QString folder; // where the program to send lies: the machine's folder, or answersFolder
    FileRow file;   // text: the name the line carries (OSP header, upper case as listed); diskName.
                    // Both "" when a made-up program could not be written: there is nothing to send.
    QString log;    // the log's line about it, Japanese, e.g. "O1234.NCを送ります。" or why refused
    bool refused = false;
};

// What answers a request. Runs on a worker thread: it may wait on the machine's folder (a share may
// stall); it never touches the line.
class RequestAnswer final {
public:
    // The most program names a LIST answer carries; then "(AND n MORE)".
    static constexpr int ListMost = 200;
    // folder: the machine's folder. osp: the controller family. eightBit: the line carries bytes >= 0x80
    // (else names that need them are left out of a LIST, and a refusal never repeats them).
    // answersFolder: a private, existing folder where made-up programs (a list, a refusal) are written.
    static Answer resolve(const RequestProgram::Verdict &request, const QString &folder, bool osp,
                          bool eightBit, const QString &answersFolder);
    // A refusal made without looking at any folder (a request hit by a line error, a folder that did
    // not answer in time): reasonAscii goes into the comment, log into the log.
    static Answer refusal(const QString &reasonAscii, const QString &log, bool osp,
                          const QString &answersFolder);
};
