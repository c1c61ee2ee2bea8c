// What the pictures, the transitions and the picture commands work on: the
// screen's layers, the game state, the window's platform, init.def's picture
// archive, the argument reader and the host.
#pragma once

namespace mirt {

class ArgumentReader;
class Platform;
class Screen;
class StoryHost;
class StringTok;
struct GameState;
struct StartupDefinitions;

class Stage {
 public:
  Stage(StoryHost& host, Platform& platform, GameState& state, Screen& screen,
        const StartupDefinitions& defs, ArgumentReader& args)
      : host_(host),
        platform_(platform),
        state_(state),
        screen_(screen),
        defs_(defs),
        args_(args) {}

  StoryHost& host() const { return host_; }
  Platform& platform() const { return platform_; }
  GameState& state() const { return state_; }
  Screen& screen() const { return screen_; }
  const StartupDefinitions& defs() const { return defs_; }
  ArgumentReader& args() const { return args_; }
  StringTok& tok() const;

 private:
  StoryHost& host_;
  Platform& platform_;
  GameState& state_;
  Screen& screen_;
  const StartupDefinitions& defs_;
  ArgumentReader& args_;
};

}  // namespace mirt
