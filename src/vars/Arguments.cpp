#include "vars/Arguments.h"

#include <optional>

#include "script/Scenario.h"
#include "shell/Player.h"

namespace mirt {
namespace {

constexpr int kMax = 256;

// A new integer record; refuses the 257th with a message.
int NewInteger(Player& p, const std::string& name) {
  int32_t& count = p.state().intCount;
  if (count < 0 || count >= kIntVarCount) {
    p.Message(Sjis("整数変数の数が上限（256個）を超えました。"));
    return -1;
  }
  CopyField(p.vars().ints[count].name, kVarNameField, name);
  p.vars().ints[count].value = 0;
  return count++;
}

int NewString(Player& p, const std::string& name) {
  int32_t& count = p.state().stringCount;
  if (count < 0 || count >= kStrVarCount) {
    p.Message(Sjis("文字列変数の数が上限（40個）を超えました。"));
    return -1;
  }
  CopyField(p.vars().strs[count].name, kVarNameField, name);
  return count++;
}

}  // namespace

int32_t ValueOfNamedInteger(Player& p) {
  std::string name;
  p.tok().ReadToken(name, kMax, true);
  int i = p.vars().FindInteger(name);
  if (i < 0) {
    p.Message(Sjis("変数が指定されていません。"));
    return 0;
  }
  return p.vars().ints[i].value;
}

int32_t ReadIntArgument(Player& p) {
  p.tok().SetDelimiters(",!");
  std::string token;
  if (p.tok().ReadToken(token, kMax, true) == '!') return ValueOfNamedInteger(p);
  return ParseDecimal(token.c_str());
}

void ReadStringArgument(Player& p, std::string& out) {
  p.tok().SetDelimiters("\"&,");
  std::string token;
  char c = p.tok().ReadToken(token, kMax, true);
  if (c == '&') {
    p.tok().SetDelimiters("&");
    std::string name;
    p.tok().ReadToken(name, kMax, true);
    int i = p.vars().FindString(name);
    out = i >= 0 ? p.vars().StringValue(i) : name;
    // Blanks go as from every token read here, also from a value typed into
    // an input box.
    std::erase_if(out, [](char ch) { return ch == ' ' || ch == '\t'; });
  } else if (c == ',') {
    out = token;
  } else {
    p.tok().ReadToken(out, kMax, true);
  }
}

int FindStringOrWarn(Player& p, const std::string& name) {
  int i = p.vars().FindString(name);
  if (i < 0) p.Message(Sjis("連結先の文字列変数が設定されていません。"));
  return i;
}

bool IntegerAssignment(Player& p) {
  std::string name, value;
  p.tok().SetDelimiters(":,\n");
  if (p.tok().ReadToken(name, kMax, true) == '\n') return false;
  int index = p.vars().FindInteger(name);
  p.tok().SetDelimiters("!,\n");
  if (p.tok().ReadToken(value, kMax, true) == '\n') return false;
  int source = p.vars().FindInteger(value);
  int32_t v = source >= 0 ? p.vars().ints[source].value : ParseDecimal(value.c_str());
  // An empty name finds the first free record; that is a new variable too.
  if (index >= 0 && index >= p.state().intCount) index = -1;
  if (index < 0) index = NewInteger(p, name);
  if (index >= 0) p.vars().ints[index].value = v;
  return true;
}

bool StringAssignment(Player& p) {
  std::string name, value;
  p.tok().SetDelimiters(":,\n");
  if (p.tok().ReadToken(name, kMax, true) == '\n') {
    p.Message(Sjis("変数の指定がありません。"));
    return false;
  }
  int index = p.vars().FindString(name);
  p.tok().SetDelimiters("\",\n");
  p.tok().ReadToken(value, kMax, true);
  p.tok().ReadToken(value, kMax, true);
  if (index >= 0 && index >= p.state().stringCount) index = -1;
  if (index < 0) index = NewString(p, name);
  if (index >= 0) CopyText(p.vars().strs[index].value, kStrValueField, value);
  return true;
}

namespace {

// Reads a variable name ended by one of delimiters; nothing when a line
// feed comes first (with the message).
std::optional<std::string> ReadReferenceName(Player& p, const char* delimiters) {
  std::string name;
  p.tok().SetDelimiters(delimiters);
  if (p.tok().ReadToken(name, kMax, true) == '\n') {
    p.Message(Sjis("変数の指定がありません。"));
    return std::nullopt;
  }
  return name;
}

// Shows a variable's value as story text.
void ShowValue(Player& p, const std::string& text) {
  p.message().DrawText(text);
  p.history().Append(text);
}

}  // namespace

bool IntegerReference(Player& p) {
  auto name = ReadReferenceName(p, "',\n");
  if (!name) return false;
  int i = p.vars().FindInteger(*name);
  if (i >= 0)
    ShowValue(p, std::to_string(p.vars().ints[i].value));  // no such variable: nothing shown
  return true;
}

bool StringReference(Player& p) {
  auto name = ReadReferenceName(p, "%,\n");
  if (!name) return false;
  int i = p.vars().FindString(*name);
  if (i >= 0) ShowValue(p, p.vars().StringValue(i));
  return true;
}

}  // namespace mirt
