#include "platform/GameControllers.h"

#include <SDL.h>

#include <optional>
#include <vector>

#include "platform/SdlSubsystems.h"

namespace mirt {
namespace {

// SDL's joystick and controller events: the 0x600 block of its event types.
constexpr uint32_t kFirstPadEvent = SDL_JOYAXISMOTION;
constexpr uint32_t kLastPadEvent = SDL_FINGERDOWN - 1;

std::optional<PadButton> FromSdl(uint8_t button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A: return PadButton::A;
    case SDL_CONTROLLER_BUTTON_B: return PadButton::B;
    case SDL_CONTROLLER_BUTTON_X: return PadButton::X;
    case SDL_CONTROLLER_BUTTON_Y: return PadButton::Y;
    case SDL_CONTROLLER_BUTTON_BACK: return PadButton::Back;
    case SDL_CONTROLLER_BUTTON_START: return PadButton::Start;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return PadButton::LeftShoulder;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return PadButton::RightShoulder;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return PadButton::DpadUp;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return PadButton::DpadDown;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return PadButton::DpadLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return PadButton::DpadRight;
    default: return std::nullopt;  // the guide button, the sticks' clicks, paddles
  }
}

uint32_t Bit(PadButton b) { return 1u << static_cast<int>(b); }

}  // namespace

GameControllers::GameControllers() {
  available_ = SdlInitSubsystem(SDL_INIT_GAMECONTROLLER);
  if (!available_) return;
  // The subsystem queues an "added" for every pad present (and an earlier
  // run may have left events behind): the pads present are opened here,
  // and later additions of the same pad are no news.
  SDL_PumpEvents();
  SDL_FlushEvents(kFirstPadEvent, kLastPadEvent);
  for (int i = 0; i < SDL_NumJoysticks(); ++i) Open(i);
}

GameControllers::~GameControllers() {
  if (!available_) return;
  for (auto& [id, pad] : pads_) SDL_GameControllerClose(pad.controller);
  pads_.clear();
  SdlQuitSubsystem(SDL_INIT_GAMECONTROLLER);
}

void GameControllers::Open(int deviceIndex) {
  if (!SDL_IsGameController(deviceIndex)) return;  // no mapping: not a pad of ours
  const int32_t id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
  if (id < 0 || pads_.count(id)) return;
  if (SDL_GameController* c = SDL_GameControllerOpen(deviceIndex)) pads_[id].controller = c;
}

void GameControllers::Poll(const Handler& handler) {
  if (!available_) return;
  SDL_PumpEvents();
  SDL_Event events[32];
  for (;;) {
    const int n = SDL_PeepEvents(events, 32, SDL_GETEVENT, kFirstPadEvent, kLastPadEvent);
    if (n <= 0) break;
    for (int i = 0; i < n; ++i) {
      const SDL_Event& e = events[i];
      switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED: Open(e.cdevice.which); break;
        case SDL_CONTROLLERDEVICEREMOVED: {
          auto it = pads_.find(e.cdevice.which);
          if (it == pads_.end()) break;
          const uint32_t held = it->second.held;
          SDL_GameControllerClose(it->second.controller);
          pads_.erase(it);
          for (int b = 0; b <= static_cast<int>(PadButton::DpadRight); ++b)
            if (held & Bit(static_cast<PadButton>(b))) handler(static_cast<PadButton>(b), false);
          break;
        }
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
          auto it = pads_.find(e.cbutton.which);
          const std::optional<PadButton> b = FromSdl(e.cbutton.button);
          if (it == pads_.end() || !b) break;
          const bool down = e.type == SDL_CONTROLLERBUTTONDOWN;
          if (down == ((it->second.held & Bit(*b)) != 0)) break;  // no change
          it->second.held ^= Bit(*b);
          handler(*b, down);
          break;
        }
        default: break;  // the raw joystick events, the axes, the sensors
      }
    }
  }
}

}  // namespace mirt
