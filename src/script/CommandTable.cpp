#include "script/CommandTable.h"

#include <cstring>
#include <iterator>

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

namespace {

struct CommandShape {
  const char* keyword;
  const char* arguments;
};

constexpr CommandShape kShapes[] = {
    {"FONTCOLOR", "iiii"}, {"FONTSIZE", "i"},
    {"LOADBG", "b-ii"},    {"TITLE", "q"},
    {"FADEOUT", "iiii"},   {"BOXCOL", "iiii"},
    {"LOADCHAR", "b-iii"}, {"CHARPOS", "iii"},
    {"CHARCLR", "iii"},    {"TTXTSPR", "i"},
    {"WAVEPLAY", "w-i"},   {"WAVESTOP", ""},
    {"MATH", "M"},         {"IF", "F"},
    {"MIDIPLAY", "m-i"},   {"MIDISTOP", ""},
    {"RUN", "s"},          {"RANDOM", "n*"},
    {"WAIT", "i"},         {"INPUTBOX", "*"},
    {"STRCAT", "$*"},      {"STRCMP", "$*"},
    {"BOXSIZE", "iiii"},   {"TXTSPR", "i"},
    {"TXTPOS", "ii"},      {"SELECT", "S"},
    {"TMODE", "i"},        {"DATALOG", "s"},
    {"GOTO", "G"},         {"SELECTCG", "C"},
    {"NVMODE", "iii"},     {"SETSPEED", "i"},
    {"SIN", "iin"},        {"COS", "iin"},
    {"STRLEN", "$n"},      {"EXIT", ""},
    {"ONLOAD", "i"},       {"ONSAVE", "i"},
    {"PSAVE", "q"},        {"PLOAD", "*"},
    {"DEBUG", "*"},        {"CDPLAY", "ii"},
    {"CDSTOP", ""},        {"INTTOSTR", "n$"},
    {"STRTOINT", "n$"},    {"CHARMODE", "iiiii"},
    {"SAVEPOINT", ""},     {"FONTNAME", "q"},
    {"FLASH", "iiiii"},    {"TFONTNAME", "q"},
    {"TFONTSIZE", "i"},    {"TBOXSIZE", "iiii"},
    {"TFONTCOLOR", "iii"}, {"TTXTPOS", "ii"},
    {"SETCURSOR", "c"},    {"TSCREENMODE", "i"},
    {"TSCREENCG", "h-ii"}, {"TSCREENCOLOR", "iiii"},
    {"DRAW", "ii"},        {"QUIVER", "iii"},
    {"GETTIME", "n"},
};
static_assert(std::size(kShapes) == kCommandCount);

}  // namespace

const char* CommandArguments(const std::string& keyword) {
  const std::string upper = UpperAscii(keyword);
  for (const CommandShape& s : kShapes)
    if (upper == s.keyword) return s.arguments;
  return nullptr;
}

bool CommandKeepsLine(const std::string& keyword) {
  const std::string upper = UpperAscii(keyword);
  return upper == "WAIT" || upper == "EXIT" || upper == "SELECT" || upper == "SELECTCG";
}

}  // namespace mirt
