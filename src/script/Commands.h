// The 61 script keywords: one row each, with what the command reads and
// whether it never ends its line. The interpreter's dispatch, the subsystems'
// registrations and mirt-tool lint all read this one table.
//
// What a command reads, one letter per argument, in reading order:
//   i  an integer argument (a number, or '!' and an integer variable)
//   n  the name of an integer variable, up to a comma
//   $  the name of a string variable, up to a comma
//   s  a string argument (quoted text, '&' and a string variable, bare text)
//   q  a name between double quotes
//   b  a picture (background, sprite), a 80-byte name field
//   h  the history screen's picture, a 40-byte name field
//   m  a MIDI song, a 80-byte name field
//   w  a WAVE sound, a 80-byte name field
//   c  a cursor file on disk, a 40-byte name field
//   -  what stands before the next comma, dropped
//   G  GOTO's target           S  SELECT's choice block
//   C  SELECTCG's button block M  MATH's expression     F  IF's condition
//   *  the rest of the line, not checked
// A command that keeps its line (its handler always returns zero) lets the
// statements after it on the line run.
#pragma once

namespace mirt {

// The table in rows, as written (clang-format would fold it).
// clang-format off
#define MIRT_COMMANDS(X)                                                   \
  X(FONTCOLOR, "iiii", false)    X(FONTSIZE, "i", false)                   \
  X(LOADBG, "b-ii", false)       X(TITLE, "q", false)                      \
  X(FADEOUT, "iiii", false)      X(BOXCOL, "iiii", false)                  \
  X(LOADCHAR, "b-iii", false)    X(CHARPOS, "iii", false)                  \
  X(CHARCLR, "iii", false)       X(TTXTSPR, "i", false)                    \
  X(WAVEPLAY, "w-i", false)      X(WAVESTOP, "", false)                    \
  X(MATH, "M", false)            X(IF, "F", false)                         \
  X(MIDIPLAY, "m-i", false)      X(MIDISTOP, "", false)                    \
  X(RUN, "s", false)             X(RANDOM, "n*", false)                    \
  X(WAIT, "i", true)             X(INPUTBOX, "*", false)                   \
  X(STRCAT, "$*", false)         X(STRCMP, "$*", false)                    \
  X(BOXSIZE, "iiii", false)      X(TXTSPR, "i", false)                     \
  X(TXTPOS, "ii", false)         X(SELECT, "S", true)                      \
  X(TMODE, "i", false)           X(DATALOG, "s", false)                    \
  X(GOTO, "G", false)            X(SELECTCG, "C", true)                    \
  X(NVMODE, "iii", false)        X(SETSPEED, "i", false)                   \
  X(SIN, "iin", false)           X(COS, "iin", false)                      \
  X(STRLEN, "$n", false)         X(EXIT, "", true)                         \
  X(ONLOAD, "i", false)          X(ONSAVE, "i", false)                     \
  X(PSAVE, "q", false)           X(PLOAD, "*", false)                      \
  X(DEBUG, "*", false)           X(CDPLAY, "ii", false)                    \
  X(CDSTOP, "", false)           X(INTTOSTR, "n$", false)                  \
  X(STRTOINT, "n$", false)       X(CHARMODE, "iiiii", false)               \
  X(SAVEPOINT, "", false)        X(FONTNAME, "q", false)                   \
  X(FLASH, "iiiii", false)       X(TFONTNAME, "q", false)                  \
  X(TFONTSIZE, "i", false)       X(TBOXSIZE, "iiii", false)                \
  X(TFONTCOLOR, "iii", false)    X(TTXTPOS, "ii", false)                   \
  X(SETCURSOR, "c", false)       X(TSCREENMODE, "i", false)                \
  X(TSCREENCG, "h-ii", false)    X(TSCREENCOLOR, "iiii", false)            \
  X(DRAW, "ii", false)           X(QUIVER, "iii", false)                   \
  X(GETTIME, "n", false)
// clang-format on

// A command by its row; Command::Count is the number of rows.
enum class Command : int {
#define MIRT_COMMAND_ENUM(name, arguments, keepsLine) name,
  MIRT_COMMANDS(MIRT_COMMAND_ENUM)
#undef MIRT_COMMAND_ENUM
      Count
};

constexpr int kCommandCount = static_cast<int>(Command::Count);
static_assert(kCommandCount == 61);

struct CommandRow {
  const char* keyword;
  const char* arguments;  // the shape, as above
  bool keepsLine;
};

const CommandRow& CommandInfo(Command c);

}  // namespace mirt
