// The background and character commands: LOADBG, LOADCHAR, CHARCLR,
// CHARPOS, CHARMODE and TITLE.
#include <string>

#include "common/Encoding.h"
#include "common/Version.h"
#include "graphics/Composition.h"
#include "graphics/GraphicsCommands.h"
#include "graphics/Screen.h"
#include "graphics/Stage.h"
#include "platform/Platform.h"
#include "script/Arguments.h"
#include "script/CommandTable.h"
#include "script/GameState.h"
#include "script/Scenario.h"
#include "script/StoryHost.h"
#include "script/StringTok.h"
#include "script/VariableStore.h"

namespace mirt {

namespace {

bool ValidSlot(int32_t slot) { return slot >= 0 && slot < kCharacterSlots; }

// Whatever follows a string argument up to one of delimiters is dropped.
void DropRest(Stage& p, const char* delimiters) {
  std::string rest;
  p.tok().SetDelimiters(delimiters);
  p.tok().ReadToken(rest, kTokenMax, true);
}

}  // namespace

int CmdLOADBG(Stage& p) {
  std::string name;
  name = p.args().String();
  p.state().SetBackgroundName(name);
  DropRest(p, ",");
  int32_t effect = p.args().Int();
  const int32_t speed = p.args().Int();
  LoadBackground(p);
  p.state().backgroundLoaded = 1;
  for (int i = 0; i < kCharacterSlots; ++i)
    if (!p.state().charKeep[i]) p.state().charShown[i] = 0;
  p.host().SetIndicatorBlinking(false);
  ComposeScene(p, false);
  effect = CheckedEffect(p, effect);
  ShowScene(p, effect, speed);
  p.state().fadeColour = 0;
  p.host().SetIndicatorBlinking(true);
  return 1;
}

int CmdLOADCHAR(Stage& p) {
  std::string name;
  name = p.args().String();
  DropRest(p, ",\n!");
  const int32_t slot = p.args().Int();
  int32_t effect = p.args().Int();
  const int32_t speed = p.args().Int();
  if (!ValidSlot(slot)) return 1;
  p.state().SetCharName(slot, name);
  p.state().charShown[slot] = 1;
  p.state().charInScene[slot] = 1;
  effect = CheckedEffect(p, effect);
  ComposeScene(p, false);
  ShowScene(p, effect, speed);
  return 1;
}

int CmdCHARCLR(Stage& p) {
  const int32_t slot = p.args().Int();
  const int32_t effect = p.args().Int();
  const int32_t speed = p.args().Int();
  if (!ValidSlot(slot)) return 1;
  p.state().charShown[slot] = 0;
  p.state().SetCharName(slot, "");
  p.state().charInScene[slot] = 1;
  ComposeScene(p, true);
  ShowScene(p, effect, speed);  // no range check here: other numbers just do nothing
  return 1;
}

int CmdCHARPOS(Stage& p) {
  const int32_t slot = p.args().Int();
  const int32_t x = p.args().Int();
  const int32_t y = p.args().Int();
  if (!ValidSlot(slot)) return 1;
  p.state().charX[slot] = x;
  p.state().charY[slot] = y < 1 ? 1 : y;
  return 1;
}

int CmdCHARMODE(Stage& p) {
  const int32_t slot = p.args().Int();
  const int32_t mode = p.args().Int();
  const int32_t keep = p.args().Int();
  const int32_t showWhileHidden = p.args().Int();
  const int32_t inScene = p.args().Int();
  if (!ValidSlot(slot)) return 1;
  p.state().charMode[slot] = static_cast<uint8_t>(mode);
  p.state().charKeep[slot] = static_cast<uint8_t>(keep);
  p.state().charShowWhileHidden[slot] = static_cast<uint8_t>(showWhileHidden);
  p.state().charInScene[slot] = inScene;
  return 1;
}

int CmdTITLE(Stage& p) {
  const std::string title = p.args().Quoted(ArgumentReader::Blanks::Drop);
  const std::string caption = title + Sjis("　【") + kVersionCaption + Sjis("】");
  p.host().SetCaption(caption);
  p.platform().setApplicationTitle(caption);
  return 1;
}

void RegisterPictureCommands(CommandTable& table, Stage& stage) {
  table.Bind(Command::LOADBG, [&stage] { return CmdLOADBG(stage); });
  table.Bind(Command::LOADCHAR, [&stage] { return CmdLOADCHAR(stage); });
  table.Bind(Command::CHARCLR, [&stage] { return CmdCHARCLR(stage); });
  table.Bind(Command::CHARPOS, [&stage] { return CmdCHARPOS(stage); });
  table.Bind(Command::CHARMODE, [&stage] { return CmdCHARMODE(stage); });
  table.Bind(Command::TITLE, [&stage] { return CmdTITLE(stage); });
}

}  // namespace mirt
