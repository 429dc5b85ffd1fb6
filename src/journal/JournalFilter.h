// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/TransferRecord.h"

#include <QDate>
#include <QString>

#include <optional>

// Which journal entries a question is about; every part left empty asks for all. The initializers let
// a caller name only the parts it sets: {.machine = name}.
struct JournalFilter {
    QString machine = {};     // exact, "" = any
    QString program = {};     // part of the name, without regard to case; "" = any
    QDate from = {}, to = {}; // local dates, inclusive; invalid = open
    std::optional<TransferRecord::Outcome> outcome = {};
    std::optional<TransferRecord::Direction> direction = {};
    QString path = {}; // exact file path, "" = any
};
