#pragma once

#include <functional>

// Handles events until the condition holds: asleep between events, so a transfer waiting for the
// machine uses no processor, while the port, the abort button and the window's close still run.
void TransferWait(const std::function<bool()> &condition);
