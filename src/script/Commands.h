// The handlers of the script keywords, one per slot of the command table.
// Each subsystem defines the handlers of its own commands.
#pragma once

namespace mirt {

class Player;

// The table in rows, as written (clang-format would fold it).
// clang-format off
#define MIRT_COMMANDS(X)                                                      \
  X(FONTCOLOR) X(FONTSIZE) X(LOADBG) X(TITLE) X(FADEOUT) X(BOXCOL)            \
  X(LOADCHAR) X(CHARPOS) X(CHARCLR) X(TTXTSPR) X(WAVEPLAY) X(WAVESTOP)        \
  X(MATH) X(IF) X(MIDIPLAY) X(MIDISTOP) X(RUN) X(RANDOM) X(WAIT) X(INPUTBOX)  \
  X(STRCAT) X(STRCMP) X(BOXSIZE) X(TXTSPR) X(TXTPOS) X(SELECT) X(TMODE)       \
  X(DATALOG) X(GOTO) X(SELECTCG) X(NVMODE) X(SETSPEED) X(SIN) X(COS)          \
  X(STRLEN) X(EXIT) X(ONLOAD) X(ONSAVE) X(PSAVE) X(PLOAD) X(DEBUG) X(CDPLAY)  \
  X(CDSTOP) X(INTTOSTR) X(STRTOINT) X(CHARMODE) X(SAVEPOINT) X(FONTNAME)      \
  X(FLASH) X(TFONTNAME) X(TFONTSIZE) X(TBOXSIZE) X(TFONTCOLOR) X(TTXTPOS)     \
  X(SETCURSOR) X(TSCREENMODE) X(TSCREENCG) X(TSCREENCOLOR) X(DRAW) X(QUIVER)  \
  X(GETTIME)
// clang-format on

#define MIRT_DECLARE_COMMAND(name) int Cmd##name(Player& p);
MIRT_COMMANDS(MIRT_DECLARE_COMMAND)
#undef MIRT_DECLARE_COMMAND

}  // namespace mirt
