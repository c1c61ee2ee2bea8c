// Runs the player headless under a script of input actions, one a line:
//   wait MS | click [X Y] | rclick [X Y] | move X Y | press [X Y] | release
//   key NAME | menu ITEM | answer yes|no | input [TEXT] | savefile [NAME]
//   screenshot FILE | dump FILE | layer NAME FILE
//   savedialog [close | save N|quick | load N|quick]
// Actions run while the player is idle; after the last one the main window
// closes as the menu's end-of-game entry closes it.
#pragma once

#include <QJsonObject>
#include <optional>
#include <string>

#include "sound/SoundSystem.h"

namespace mirt {

class Player;

struct AutomationOptions {
  std::string gameDir;    // host path
  std::string inputFile;  // host path or ""
  std::string traceFile;  // host path or ""
  bool virtualTime = false;
  std::optional<uint32_t> maxTime;
  SoundOptions sound;    // --soundfont, --midi-out
  std::string audioOut;  // --audio-out: host path of the WAVE render, or ""
  // The demo installed beside the program, whose old copy's saves a run of
  // it carries over; "" when none.
  std::string installedDemo;
  // --text-hook (on --text-hook-port) and --self-voicing.
  bool textHook = false;
  uint16_t textHookPort = 0;  // 0: the default, 6677
  bool selfVoicing = false;
};

// Returns the process exit code: 0 normally, 3 when --max-time ended the
// run, 2 when the input file cannot be read or holds an unknown action.
int RunAutomation(const AutomationOptions& options, std::string* error = nullptr);

// The state dump.
QJsonObject DumpState(Player& p);

}  // namespace mirt
