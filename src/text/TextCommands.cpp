// The commands that set how story text, the message box and the text
// history look. Each stores its arguments into the game state.
#include <QPainter>
#include <algorithm>

#include "graphics/Composition.h"
#include "script/Commands.h"
#include "script/Scenario.h"
#include "shell/Player.h"
#include "vars/Arguments.h"
#include "vars/VariableStore.h"

namespace mirt {

namespace {

constexpr int kTokenMax = 256;

// Three values as bytes, red in the low byte (0x00BBGGRR).
int32_t PackColour(int32_t r, int32_t g, int32_t b) {
  return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}

void ReadRect(Player& p, int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) {
  left = ReadIntArgument(p);
  top = ReadIntArgument(p);
  right = ReadIntArgument(p);
  bottom = ReadIntArgument(p);
}

// A name between two double quotes, spaces kept.
std::string ReadQuotedName(Player& p) {
  p.tok().SetDelimiters("\"");
  std::string skipped, name;
  p.tok().ReadToken(skipped, kTokenMax, false);
  p.tok().ReadToken(name, kTokenMax, false);
  return name;
}

// A fatal setting: the story cannot go on.
int Refuse(Player& p) {
  p.Message("x");
  p.RequestClose();
  return 0;
}

}  // namespace

int CmdFONTCOLOR(Player& p) {
  int32_t r = ReadIntArgument(p);
  int32_t g = ReadIntArgument(p);
  int32_t b = ReadIntArgument(p);
  int32_t target = ReadIntArgument(p);
  int32_t colour = PackColour(r, g, b);
  switch (target) {
    case 0:
      p.message().SetTextColour(colour);
      p.state().textColour = colour;
      break;
    case 1: p.state().choiceColour = colour; break;
    case 2: p.state().highlightColour = colour; break;
    default: break;
  }
  return 1;
}

int CmdFONTSIZE(Player& p) {
  p.tok().SetDelimiters(",!");
  std::string token;
  if (p.tok().ReadToken(token, kTokenMax, true) == '!')
    p.state().fontSize = ValueOfNamedInteger(p) & 0xFF;
  else
    p.state().fontSize = ParseDecimal(token.c_str());
  return 1;
}

int CmdFONTNAME(Player& p) {
  p.state().SetFontName(ReadQuotedName(p));
  return 1;
}

int CmdTXTPOS(Player& p) {
  p.state().textOriginX = ReadIntArgument(p);
  p.state().textOriginY = ReadIntArgument(p);
  p.message().MovePen(p.state().textOriginX, p.state().textOriginY);
  return 1;
}

int CmdTXTSPR(Player& p) {
  p.state().lineSpacing = ReadIntArgument(p);
  return 1;
}

int CmdBOXCOL(Player& p) {
  int32_t r = ReadIntArgument(p);
  int32_t g = ReadIntArgument(p);
  int32_t b = ReadIntArgument(p);
  int32_t opacity = ReadIntArgument(p);
  p.state().boxColour[0] = static_cast<uint8_t>(r);
  p.state().boxColour[1] = static_cast<uint8_t>(g);
  p.state().boxColour[2] = static_cast<uint8_t>(b);
  p.state().boxOpacity = static_cast<uint8_t>(std::clamp(opacity, 0, 255));
  p.message().MovePen(p.state().textOriginX, p.state().textOriginY);
  RetintBox(p);
  return 1;
}

int CmdBOXSIZE(Player& p) {
  ReadRect(p, p.state().boxLeft, p.state().boxTop, p.state().boxRight, p.state().boxBottom);
  RetintBox(p);
  return 1;
}

int CmdSETSPEED(Player& p) {
  int32_t n = ReadIntArgument(p);
  p.state().speedIndex = static_cast<uint8_t>(n);
  if (n >= 1 && n <= 5) p.ChooseSpeed(n);
  return 1;
}

int CmdNVMODE(Player& p) {
  p.message().EraseWaitIndicator();
  p.state().indicatorEnabled = static_cast<uint8_t>(ReadIntArgument(p));
  p.state().indicatorMode = static_cast<uint8_t>(ReadIntArgument(p));
  p.state().indicatorPeriod = static_cast<uint8_t>(ReadIntArgument(p));
  if (!p.state().indicatorEnabled) return 1;
  p.message().LoadIndicator();
  return 1;
}

// ---- text history ---------------------------------------------------------

int CmdTMODE(Player& p) {
  int32_t mode = ReadIntArgument(p);
  if (mode != 0 && mode != 1) return Refuse(p);
  p.state().historyEnabled = mode;
  return 1;
}

int CmdTFONTSIZE(Player& p) {
  int32_t size = ReadIntArgument(p);
  if (size <= 0) return Refuse(p);
  p.state().historyFontSize = size;
  return 1;
}

int CmdTFONTNAME(Player& p) {
  p.state().SetHistoryFontName(ReadQuotedName(p));
  return 1;
}

int CmdTFONTCOLOR(Player& p) {
  int32_t r = ReadIntArgument(p);
  int32_t g = ReadIntArgument(p);
  int32_t b = ReadIntArgument(p);
  p.state().historyTextColour = PackColour(r, g, b);
  return 1;
}

int CmdTBOXSIZE(Player& p) {
  ReadRect(p, p.state().historyLeft, p.state().historyTop, p.state().historyRight,
           p.state().historyBottom);
  return 1;
}

int CmdTTXTPOS(Player& p) {
  p.state().historyOriginX = ReadIntArgument(p);
  p.state().historyOriginY = ReadIntArgument(p);
  return 1;
}

int CmdTTXTSPR(Player& p) {
  p.state().historyLineSpacing = ReadIntArgument(p);
  return 1;
}

int CmdTSCREENMODE(Player& p) {
  p.state().historyMode = ReadIntArgument(p);
  return 1;
}

int CmdTSCREENCG(Player& p) {
  std::string name;
  ReadStringArgument(p, name);
  p.state().SetHistoryPicture(name);
  p.tok().SetDelimiters("\n,!");
  std::string rest;
  p.tok().ReadToken(rest, kTokenMax, true);
  p.state().historyPictureX = ReadIntArgument(p);
  p.state().historyPictureY = ReadIntArgument(p);
  return 1;
}

int CmdTSCREENCOLOR(Player& p) {
  for (uint8_t& v : p.state().historyTint) v = static_cast<uint8_t>(ReadIntArgument(p));
  return 1;
}

}  // namespace mirt
