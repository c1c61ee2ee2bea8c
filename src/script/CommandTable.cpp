#include "script/CommandTable.h"

#include <cstring>

#include "common/Ascii.h"
#include "script/Commands.h"

namespace mirt {

void CommandTable::Build() {
  int i = 0;
#define MIRT_SLOT(name) slots_[i++] = CommandSlot{#name, &Cmd##name};
  MIRT_COMMANDS(MIRT_SLOT)
#undef MIRT_SLOT
}

int CommandTable::Find(std::string& keyword) const {
  UpperAsciiInPlace(keyword);
  for (int i = 0; i < kCommandCount; ++i)
    if (slots_[i].keyword && keyword == slots_[i].keyword) return i;
  return -1;
}

void CommandTable::SetHandler(const char* keyword, CommandHandler h) {
  for (CommandSlot& s : slots_)
    if (s.keyword && std::strcmp(s.keyword, keyword) == 0) s.handler = h;
}

}  // namespace mirt
