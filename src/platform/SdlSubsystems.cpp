#include "platform/SdlSubsystems.h"

#include <SDL.h>

#include <mutex>

namespace mirt {
namespace {
std::mutex& SdlMutex() {
  static std::mutex m;
  return m;
}
}  // namespace

bool SdlInitSubsystem(uint32_t flags) {
  std::lock_guard<std::mutex> l(SdlMutex());
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  return SDL_InitSubSystem(flags) == 0;
}

void SdlQuitSubsystem(uint32_t flags) {
  std::lock_guard<std::mutex> l(SdlMutex());
  SDL_QuitSubSystem(flags);
}

}  // namespace mirt
