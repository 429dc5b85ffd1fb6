#pragma once

#include <QString>

struct TransferState;

// The file a reception is writing while the window stays live: no command may delete or overwrite it,
// copy it half-received, or take its folder away.
class ReceivingFile final {
public:
    static bool is(const TransferState &transfer, const QString &path);
    static bool isIn(const TransferState &transfer, const QString &folder);
};
