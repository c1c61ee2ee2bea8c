// The commands that set how story text, the message box and the text
// history look. Each stores its arguments into the game state.
#include <QPainter>
#include <algorithm>

#include "common/Decimal.h"
#include "graphics/Composition.h"
#include "graphics/Screen.h"
#include "platform/Platform.h"
#include "save/SaveSlots.h"
#include "script/Arguments.h"
#include "script/CText.h"
#include "script/CommandTable.h"
#include "script/GameState.h"
#include "script/Scenario.h"
#include "script/StoryHost.h"
#include "script/VariableStore.h"
#include "text/Choices.h"
#include "text/History.h"
#include "text/MessageWindow.h"
#include "text/TextStage.h"

namespace mirt {

namespace {

// Three values as bytes, red in the low byte (0x00BBGGRR).
int32_t PackColour(int32_t r, int32_t g, int32_t b) {
  return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}

void ReadRect(TextStage& p, int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) {
  left = p.args().Int();
  top = p.args().Int();
  right = p.args().Int();
  bottom = p.args().Int();
}

// A fatal setting: the story cannot go on.
int Refuse(TextStage& p) {
  p.host().Message("x");
  p.host().RequestClose();
  return 0;
}

}  // namespace

int CmdFONTCOLOR(TextStage& p) {
  int32_t r = p.args().Int();
  int32_t g = p.args().Int();
  int32_t b = p.args().Int();
  int32_t target = p.args().Int();
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

int CmdFONTSIZE(TextStage& p) {
  p.tok().SetDelimiters(",!");
  std::string token;
  if (p.tok().ReadToken(token, kTokenMax, true) == '!')
    p.state().fontSize = p.args().NamedInteger() & 0xFF;
  else
    p.state().fontSize = ParseDecimal(token.c_str());
  return 1;
}

int CmdFONTNAME(TextStage& p) {
  p.state().SetFontName(p.args().Quoted(ArgumentReader::Blanks::Keep));
  return 1;
}

int CmdTXTPOS(TextStage& p) {
  p.state().textOriginX = p.args().Int();
  p.state().textOriginY = p.args().Int();
  p.message().MovePen(p.state().textOriginX, p.state().textOriginY);
  return 1;
}

int CmdTXTSPR(TextStage& p) {
  p.state().lineSpacing = p.args().Int();
  return 1;
}

int CmdBOXCOL(TextStage& p) {
  int32_t r = p.args().Int();
  int32_t g = p.args().Int();
  int32_t b = p.args().Int();
  int32_t opacity = p.args().Int();
  p.state().boxColour[0] = static_cast<uint8_t>(r);
  p.state().boxColour[1] = static_cast<uint8_t>(g);
  p.state().boxColour[2] = static_cast<uint8_t>(b);
  p.state().boxOpacity = static_cast<uint8_t>(std::clamp(opacity, 0, 255));
  p.message().MovePen(p.state().textOriginX, p.state().textOriginY);
  RetintBox(p);
  return 1;
}

int CmdBOXSIZE(TextStage& p) {
  ReadRect(p, p.state().boxLeft, p.state().boxTop, p.state().boxRight, p.state().boxBottom);
  RetintBox(p);
  return 1;
}

int CmdSETSPEED(TextStage& p) {
  int32_t n = p.args().Int();
  p.state().speedIndex = static_cast<uint8_t>(n);
  if (n >= 1 && n <= 5) {
    // As the speed menu's entry n.
    p.message().speed().Choose(n, p.defs().speeds[n - 1]);
    p.state().speedIndex = static_cast<uint8_t>(n);
    p.host().MenuChanged();
  }
  return 1;
}

int CmdNVMODE(TextStage& p) {
  p.message().EraseWaitIndicator();
  p.state().indicatorEnabled = static_cast<uint8_t>(p.args().Int());
  p.state().indicatorMode = static_cast<uint8_t>(p.args().Int());
  p.state().indicatorPeriod = static_cast<uint8_t>(p.args().Int());
  if (!p.state().indicatorEnabled) return 1;
  p.message().LoadIndicator();
  return 1;
}

// ---- text history ---------------------------------------------------------

int CmdTMODE(TextStage& p) {
  int32_t mode = p.args().Int();
  if (mode != 0 && mode != 1) return Refuse(p);
  p.state().historyEnabled = mode;
  return 1;
}

int CmdTFONTSIZE(TextStage& p) {
  int32_t size = p.args().Int();
  if (size <= 0) return Refuse(p);
  p.state().historyFontSize = size;
  return 1;
}

int CmdTFONTNAME(TextStage& p) {
  p.state().SetHistoryFontName(p.args().Quoted(ArgumentReader::Blanks::Keep));
  return 1;
}

int CmdTFONTCOLOR(TextStage& p) {
  int32_t r = p.args().Int();
  int32_t g = p.args().Int();
  int32_t b = p.args().Int();
  p.state().historyTextColour = PackColour(r, g, b);
  return 1;
}

int CmdTBOXSIZE(TextStage& p) {
  ReadRect(p, p.state().historyLeft, p.state().historyTop, p.state().historyRight,
           p.state().historyBottom);
  return 1;
}

int CmdTTXTPOS(TextStage& p) {
  p.state().historyOriginX = p.args().Int();
  p.state().historyOriginY = p.args().Int();
  return 1;
}

int CmdTTXTSPR(TextStage& p) {
  p.state().historyLineSpacing = p.args().Int();
  return 1;
}

int CmdTSCREENMODE(TextStage& p) {
  p.state().historyMode = p.args().Int();
  return 1;
}

int CmdTSCREENCG(TextStage& p) {
  std::string name;
  name = p.args().String();
  p.state().SetHistoryPicture(name);
  p.tok().SetDelimiters("\n,!");
  std::string rest;
  p.tok().ReadToken(rest, kTokenMax, true);
  p.state().historyPictureX = p.args().Int();
  p.state().historyPictureY = p.args().Int();
  return 1;
}

int CmdTSCREENCOLOR(TextStage& p) {
  for (uint8_t& v : p.state().historyTint) v = static_cast<uint8_t>(p.args().Int());
  return 1;
}

void RegisterTextCommands(CommandTable& table, TextStage& text) {
  table.Bind(Command::FONTCOLOR, [&text] { return CmdFONTCOLOR(text); });
  table.Bind(Command::FONTSIZE, [&text] { return CmdFONTSIZE(text); });
  table.Bind(Command::FONTNAME, [&text] { return CmdFONTNAME(text); });
  table.Bind(Command::TXTPOS, [&text] { return CmdTXTPOS(text); });
  table.Bind(Command::TXTSPR, [&text] { return CmdTXTSPR(text); });
  table.Bind(Command::BOXCOL, [&text] { return CmdBOXCOL(text); });
  table.Bind(Command::BOXSIZE, [&text] { return CmdBOXSIZE(text); });
  table.Bind(Command::SETSPEED, [&text] { return CmdSETSPEED(text); });
  table.Bind(Command::NVMODE, [&text] { return CmdNVMODE(text); });
  table.Bind(Command::TMODE, [&text] { return CmdTMODE(text); });
  table.Bind(Command::TFONTSIZE, [&text] { return CmdTFONTSIZE(text); });
  table.Bind(Command::TFONTNAME, [&text] { return CmdTFONTNAME(text); });
  table.Bind(Command::TFONTCOLOR, [&text] { return CmdTFONTCOLOR(text); });
  table.Bind(Command::TBOXSIZE, [&text] { return CmdTBOXSIZE(text); });
  table.Bind(Command::TTXTPOS, [&text] { return CmdTTXTPOS(text); });
  table.Bind(Command::TTXTSPR, [&text] { return CmdTTXTSPR(text); });
  table.Bind(Command::TSCREENMODE, [&text] { return CmdTSCREENMODE(text); });
  table.Bind(Command::TSCREENCG, [&text] { return CmdTSCREENCG(text); });
  table.Bind(Command::TSCREENCOLOR, [&text] { return CmdTSCREENCOLOR(text); });
  table.Bind(Command::SELECT, [&text] {
    text.choices().Select(text);
    return 0;
  });
  table.Bind(Command::SELECTCG, [&text] {
    text.choices().pictures().Select(text);
    return 0;
  });
}

}  // namespace mirt
