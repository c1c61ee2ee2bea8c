#include "script/FlowCommands.h"

#include <cstring>

#include "platform/Encoding.h"
#include "platform/GameSource.h"
#include "platform/HostFiles.h"
#include "script/Commands.h"
#include "shell/Player.h"
#include "vars/Arguments.h"

namespace mirt {

void JumpToLabel(Player& p, const std::string& line) {
  p.script().scenario().SetPosition(0);
  p.state().readPosition = 0;
  while (p.script().ReadLine()) {
    if (line == p.script().line()) return;
  }
}

void JumpToScenario(Player& p, const std::string& name) {
  p.script().scenario().LoadScenario(name);
  p.state().SetScenarioName(name);
  p.script().scenario().SetPosition(0);
  p.state().readPosition = 0;
}

int CmdGOTO(Player& p) {
  p.tok().SetDelimiters("");
  std::string arg;
  p.tok().ReadToken(arg, 256, true);
  if (!arg.empty() && arg[0] == '*') {
    JumpToLabel(p, arg);
  } else if (!arg.empty() && arg[0] == '!') {
    JumpToScenario(p, arg.substr(1));
  }
  return 1;
}

int CmdWAIT(Player& p) {
  p.state().pauseLength = ReadIntArgument(p);
  return 0;
}

int CmdEXIT(Player& p) {
  p.RequestClose();
  return 0;
}

int CmdRUN(Player& p) {
  std::string name;
  ReadStringArgument(p, name);
  p.TraceEvent("run", JsonObject().Str("target", name));
  std::string path = ResolveExisting(name);
  // A document on a disc image is opened from a copy of it.
  if (path.empty() && CurrentImage()) path = CurrentImage()->HostPathFor(name);
  if (path.empty()) path = cp932ToUtf8(name);  // a URL or a program on the PATH
  if (!path.empty()) p.platform().shellOpen(path);
  return 1;
}

}  // namespace mirt
