// Only one player runs at a time for a user: a lock (flock) on a per-user
// lock file. The lock dies with the process, so a crash never blocks the
// next start.
#pragma once

namespace mirt {

// True when this process now holds the lock (and has written its process
// id into the lock file); false when another player does.
bool AcquireSingleInstanceLock();
// Asks the player that holds the lock to raise its window (SIGUSR1 to the
// process id in the lock file). False when there is none to ask.
bool AskRunningInstanceToShow();

}  // namespace mirt
