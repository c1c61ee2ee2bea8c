// SDL's subsystems, started and stopped by more than one part of the
// program (the audio output, the game controllers) and on more than one
// thread (the window opens its audio device on a thread of its own). SDL
// counts each subsystem's users but does not lock its start and stop: these
// calls do. SDL_Quit is never called; each part stops what it started.
#pragma once

#include <cstdint>

namespace mirt {

// SDL_InitSubSystem(flags) under the lock; false when it fails (SDL_GetError
// tells why). SDL installs no signal handlers of its own: the program
// handles its signals itself.
bool SdlInitSubsystem(uint32_t flags);
// SDL_QuitSubSystem(flags) under the lock, for a successful SdlInitSubsystem.
void SdlQuitSubsystem(uint32_t flags);

}  // namespace mirt
