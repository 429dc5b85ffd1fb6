#pragma once

// Returns after the given number of seconds, handling the window's events meanwhile.
void WaitSeconds(int seconds);
