#include "script/FlowCommands.h"

#include <cstring>

#include "common/Encoding.h"
#include "platform/GameSource.h"
#include "platform/HostFiles.h"
#include "platform/Platform.h"
#include "script/CText.h"
#include "script/GameState.h"
#include "script/StoryHost.h"

namespace mirt {

void JumpToLabel(CText& script, GameState& state, const std::string& line) {
  script.scenario().SetPosition(0);
  state.readPosition = 0;
  while (script.ReadLine()) {
    if (line == script.line()) return;
  }
}

void JumpToScenario(CText& script, GameState& state, const std::string& name) {
  script.scenario().LoadScenario(name);
  state.SetScenarioName(name);
  script.scenario().SetPosition(0);
  state.readPosition = 0;
}

namespace {

int CmdGOTO(CText& script) {
  script.tok().SetDelimiters("");
  std::string arg;
  script.tok().ReadToken(arg, kTokenMax, true);
  if (!arg.empty() && arg[0] == '*') {
    JumpToLabel(script, script.args().state(), arg);
  } else if (!arg.empty() && arg[0] == '!') {
    JumpToScenario(script, script.args().state(), arg.substr(1));
  }
  return 1;
}

int CmdWAIT(ArgumentReader& args) {
  args.state().pauseLength = args.Int();
  return 0;
}

int CmdEXIT(StoryHost& host) {
  host.RequestClose();
  return 0;
}

int CmdRUN(ArgumentReader& args, Platform& platform) {
  const std::string name = args.String();
  args.host().TraceEvent("run", JsonObject().Str("target", name));
  std::string path = ResolveExisting(name);
  // A document on a disc image is opened from a copy of it.
  if (path.empty() && CurrentImage()) path = CurrentImage()->HostPathFor(name);
  if (path.empty()) path = cp932ToUtf8(name);  // a URL or a program on the PATH
  if (!path.empty()) platform.shellOpen(path);
  return 1;
}

}  // namespace

void RegisterFlowCommands(CommandTable& table, CText& script, Platform& platform) {
  ArgumentReader& args = script.args();
  table.Bind(Command::GOTO, [&script] { return CmdGOTO(script); });
  table.Bind(Command::WAIT, [&args] { return CmdWAIT(args); });
  table.Bind(Command::EXIT, [&args] { return CmdEXIT(args.host()); });
  table.Bind(Command::RUN, [&args, &platform] { return CmdRUN(args, platform); });
}

}  // namespace mirt
