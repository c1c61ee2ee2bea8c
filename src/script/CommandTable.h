// The dispatch of the 61 script keywords. Each subsystem binds the
// handlers of its own commands (RegisterTextCommands and the like); the
// player checks that every row has one.
//
// A handler reads its own arguments from the token reader and returns
// non-zero when its line is finished, zero when scanning goes on along the
// same line.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "script/Commands.h"

namespace mirt {

using CommandHandler = std::function<int()>;

class CommandTable {
 public:
  void Bind(Command c, CommandHandler h);
  // The keywords of the rows without a handler, in table order.
  std::vector<std::string> Unbound() const;
  // The slot of keyword (a to z in any letter case), or -1.
  int Find(std::string_view keyword) const;
  const char* Keyword(int slot) const;
  int Run(int slot) const { return handlers_[slot](); }

 private:
  CommandHandler handlers_[kCommandCount];
};

// The row of keyword (a to z in any letter case), or nullptr.
const CommandRow* FindCommandRow(std::string_view keyword);

// The command of a row of the table.
Command CommandOf(const CommandRow& row);

// What a command reads (see Commands.h); nullptr for an unknown keyword.
const char* CommandArguments(const std::string& keyword);

// Whether the command never ends its line (its handler always returns zero).
bool CommandKeepsLine(const std::string& keyword);

}  // namespace mirt
