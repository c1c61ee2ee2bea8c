// Only one player runs at a time for a user: a lock (flock) on a per-user
// lock file. The lock dies with the process, so a crash never blocks the
// next start.
#pragma once

namespace mirt {

// True when this process now holds the lock; false when another player does.
bool AcquireSingleInstanceLock();

}  // namespace mirt
