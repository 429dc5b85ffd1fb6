// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QtGlobal>

// What a paste shows while it runs, and the user's way to stop it: a progress dialog in the program,
// a script in the tests.
class PasteProgress {
public:
    virtual ~PasteProgress() = default;

    virtual void start(qsizetype files) = 0;
    // done files are behind; the next one begins.
    virtual void show(qsizetype done) = 0;
    // Whether the user has called the paste off. Asked between files and between the pieces of a
    // large one; the window's events are served meanwhile.
    virtual bool cancelled() = 0;
    virtual void finish() = 0;
};
