#include "script/CommandTable.h"

#include <utility>

#include "common/Ascii.h"

namespace mirt {
namespace {

constexpr CommandRow kRows[] = {
#define MIRT_COMMAND_ROW(name, arguments, keepsLine) {#name, arguments, keepsLine},
    MIRT_COMMANDS(MIRT_COMMAND_ROW)
#undef MIRT_COMMAND_ROW
};
static_assert(std::size(kRows) == kCommandCount);

}  // namespace

const CommandRow& CommandInfo(Command c) { return kRows[static_cast<int>(c)]; }

const CommandRow* FindCommandRow(std::string_view keyword) {
  for (const CommandRow& r : kRows)
    if (EqualsIgnoringAsciiCase(keyword, r.keyword)) return &r;
  return nullptr;
}

Command CommandOf(const CommandRow& row) { return static_cast<Command>(&row - kRows); }

void CommandTable::Bind(Command c, CommandHandler h) {
  handlers_[static_cast<int>(c)] = std::move(h);
}

std::vector<std::string> CommandTable::Unbound() const {
  std::vector<std::string> missing;
  for (int i = 0; i < kCommandCount; ++i)
    if (!handlers_[i]) missing.push_back(kRows[i].keyword);
  return missing;
}

int CommandTable::Find(std::string_view keyword) const {
  const CommandRow* r = FindCommandRow(keyword);
  return r ? static_cast<int>(r - kRows) : -1;
}

const char* CommandTable::Keyword(int slot) const { return kRows[slot].keyword; }

const char* CommandArguments(const std::string& keyword) {
  const CommandRow* r = FindCommandRow(keyword);
  return r ? r->arguments : nullptr;
}

bool CommandKeepsLine(const std::string& keyword) {
  const CommandRow* r = FindCommandRow(keyword);
  return r && r->keepsLine;
}

}  // namespace mirt
