// The program's command line: mirt [OPTIONS] [GAME_DIR].
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/PictureGeometry.h"
#include "shell/Automation.h"

namespace mirt {

struct CommandLine {
  AutomationOptions options;  // options.gameDir as given, "" when none was
  bool headless = false;
  // --scale N (1..3) and --scale-filter; unset: the settings file decides.
  std::optional<int> scale;
  std::optional<ScaleFilter> scaleFilter;
  // Set when the program ends without playing: 0 after --help or
  // --version, 2 after a usage error. The text to print goes to stdout
  // (out) or stderr (err); errors start "mirt: ".
  std::optional<int> exitCode;
  std::string out, err;
};

// Reads arguments (arguments[0] names the program). They are bytes, kept
// as they are: paths in any encoding come back unchanged. A sound font that
// cannot be read is a usage error.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace mirt
