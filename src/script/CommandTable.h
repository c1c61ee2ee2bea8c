// The 61 script keywords and their handlers.
//
// A handler reads its own arguments from the token reader and returns
// non-zero when its line is finished, zero when scanning goes on along the
// same line.
#pragma once

#include <string>

namespace mirt {

class Player;
using CommandHandler = int (*)(Player&);

constexpr int kCommandCount = 61;

struct CommandSlot {
  const char* keyword;
  CommandHandler handler;
};

class CommandTable {
 public:
  void Build();
  // Upper-cases keyword in place (a to z only), then returns its slot or -1.
  int Find(std::string& keyword) const;
  const CommandSlot& Slot(int i) const { return slots_[i]; }
  // Replaces a slot's handler (for the subsystems that register their own).
  void SetHandler(const char* keyword, CommandHandler h);

 private:
  CommandSlot slots_[kCommandCount] = {};
};

// What a command reads, for the tools that check scripts without playing
// them: one letter per argument, in reading order.
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
// "" for a command without arguments; nullptr for an unknown keyword.
const char* CommandArguments(const std::string& keyword);

// Whether the command never ends its line (its handler always returns zero).
bool CommandKeepsLine(const std::string& keyword);

}  // namespace mirt
