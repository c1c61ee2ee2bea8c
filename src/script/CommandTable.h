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

}  // namespace mirt
