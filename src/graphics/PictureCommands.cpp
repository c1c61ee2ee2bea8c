// The background and character commands: LOADBG, LOADCHAR, CHARCLR,
// CHARPOS, CHARMODE and TITLE.
#include <string>

#include "graphics/Composition.h"
#include "script/Commands.h"
#include "shell/Player.h"
#include "shell/Version.h"
#include "vars/Arguments.h"
#include "vars/VariableStore.h"

namespace mirt {

namespace {

constexpr int kTokenMax = 256;

bool ValidSlot(int32_t slot) { return slot >= 0 && slot < kCharacterSlots; }

// Whatever follows a string argument up to one of delimiters is dropped.
void DropRest(Player& p, const char* delimiters) {
  std::string rest;
  p.tok().SetDelimiters(delimiters);
  p.tok().ReadToken(rest, kTokenMax, true);
}

}  // namespace

int CmdLOADBG(Player& p) {
  std::string name;
  ReadStringArgument(p, name);
  p.state().SetBackgroundName(name);
  DropRest(p, ",");
  int32_t effect = ReadIntArgument(p);
  const int32_t speed = ReadIntArgument(p);
  LoadBackground(p);
  p.state().backgroundLoaded = 1;
  for (int i = 0; i < kCharacterSlots; ++i)
    if (!p.state().charKeep[i]) p.state().charShown[i] = 0;
  p.message().SetBlinking(false);
  ComposeScene(p, false);
  effect = CheckedEffect(p, effect);
  ShowScene(p, effect, speed);
  p.state().fadeColour = 0;
  p.message().SetBlinking(true);
  return 1;
}

int CmdLOADCHAR(Player& p) {
  std::string name;
  ReadStringArgument(p, name);
  DropRest(p, ",\n!");
  const int32_t slot = ReadIntArgument(p);
  int32_t effect = ReadIntArgument(p);
  const int32_t speed = ReadIntArgument(p);
  if (!ValidSlot(slot)) return 1;
  p.state().SetCharName(slot, name);
  p.state().charShown[slot] = 1;
  p.state().charInScene[slot] = 1;
  effect = CheckedEffect(p, effect);
  ComposeScene(p, false);
  ShowScene(p, effect, speed);
  return 1;
}

int CmdCHARCLR(Player& p) {
  const int32_t slot = ReadIntArgument(p);
  const int32_t effect = ReadIntArgument(p);
  const int32_t speed = ReadIntArgument(p);
  if (!ValidSlot(slot)) return 1;
  p.state().charShown[slot] = 0;
  p.state().SetCharName(slot, "");
  p.state().charInScene[slot] = 1;
  ComposeScene(p, true);
  ShowScene(p, effect, speed);  // no range check here: other numbers just do nothing
  return 1;
}

int CmdCHARPOS(Player& p) {
  const int32_t slot = ReadIntArgument(p);
  const int32_t x = ReadIntArgument(p);
  const int32_t y = ReadIntArgument(p);
  if (!ValidSlot(slot)) return 1;
  p.state().charX[slot] = x;
  p.state().charY[slot] = y < 1 ? 1 : y;
  return 1;
}

int CmdCHARMODE(Player& p) {
  const int32_t slot = ReadIntArgument(p);
  const int32_t mode = ReadIntArgument(p);
  const int32_t keep = ReadIntArgument(p);
  const int32_t showWhileHidden = ReadIntArgument(p);
  const int32_t inScene = ReadIntArgument(p);
  if (!ValidSlot(slot)) return 1;
  p.state().charMode[slot] = static_cast<uint8_t>(mode);
  p.state().charKeep[slot] = static_cast<uint8_t>(keep);
  p.state().charShowWhileHidden[slot] = static_cast<uint8_t>(showWhileHidden);
  p.state().charInScene[slot] = inScene;
  return 1;
}

int CmdTITLE(Player& p) {
  std::string skipped, title;
  p.tok().SetDelimiters("\"");
  p.tok().ReadToken(skipped, kTokenMax, true);
  p.tok().ReadToken(title, kTokenMax, true);
  const std::string caption = title + Sjis("　【") + kVersionCaption + Sjis("】");
  p.SetCaption(caption);
  p.platform().setApplicationTitle(caption);
  return 1;
}

}  // namespace mirt
