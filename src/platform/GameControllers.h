// Game controllers through SDL2's game-controller API. Every pad SDL has a
// mapping for (its own database, SDL_GAMECONTROLLERCONFIG as Steam sets it)
// is opened when it is plugged in and closed when it goes; a joystick
// without a mapping is left alone. The window polls from its event loop.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "platform/Platform.h"

struct _SDL_GameController;

namespace mirt {

class GameControllers {
 public:
  // Starts SDL's game-controller subsystem and opens the pads present.
  GameControllers();
  ~GameControllers();
  GameControllers(const GameControllers&) = delete;
  GameControllers& operator=(const GameControllers&) = delete;

  // The subsystem started; without it Poll does nothing.
  bool available() const { return available_; }
  // How many pads are open.
  int count() const { return static_cast<int>(pads_.size()); }

  using Handler = std::function<void(PadButton button, bool down)>;
  // Takes the joysticks' and controllers' events out of SDL's queue (the
  // others stay for whoever reads them): pads plugged in are opened, pads
  // removed are closed, their buttons still held let go, and each press and
  // release of one of our buttons is handed to handler, in order.
  void Poll(const Handler& handler);

 private:
  void Open(int deviceIndex);

  struct Pad {
    _SDL_GameController* controller = nullptr;
    uint32_t held = 0;  // by PadButton
  };
  std::map<int32_t, Pad> pads_;  // by SDL's joystick instance id
  bool available_ = false;
};

}  // namespace mirt
