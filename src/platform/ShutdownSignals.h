// Ending the program from outside: SIGINT (Ctrl+C), SIGTERM and SIGHUP ask
// for the same shutdown as the end-of-game entry; SIGUSR1 is another start
// asking this one to show its window. The handlers only set a flag and
// write a byte to a pipe, which the window's event loop watches; the
// shutdown itself always runs on the window's thread.
#pragma once

namespace mirt {

enum SignalRequest : int { kSignalEnd = 1, kSignalShow = 2 };

// Installs the handlers, once. Call before the single-instance lock is
// taken, so that a second start never finds this process without them.
void InstallShutdownSignals();
// The pipe's read end (non-blocking), -1 before InstallShutdownSignals.
int SignalPipeFd();
// The requests that arrived since the last call, as kSignal* bits; empties
// the pipe.
int TakeSignalRequests();
// Whether an end was asked for at any time (not cleared by the call above).
bool EndSignalled();

}  // namespace mirt
