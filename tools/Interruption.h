// Ending on a signal. SIGINT, SIGTERM and SIGHUP only set a flag: blocked
// reads and writes return early (the handlers do not restart them), the
// command loops check the flag, and every command then closes its
// connection, so the file's open count goes back, before the process ends
// by the same signal. SIGPIPE is ignored: a reader that went away shows as
// EPIPE on the next write, which the output treats as the end.
#pragma once

namespace velmora::tool {

void InstallInterruptHandlers();

// Whether a terminating signal has arrived.
bool Interrupted();

// After the command has closed everything: ends the process by the signal
// that interrupted it, so its caller sees how it ended. Returns when there
// was none.
void EndByInterruptingSignal();

}  // namespace velmora::tool
