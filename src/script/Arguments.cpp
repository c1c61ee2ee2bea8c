#include "script/Arguments.h"

#include "common/Decimal.h"
#include "common/Encoding.h"
#include "script/GameState.h"
#include "script/Grammar.h"
#include "script/StoryHost.h"
#include "script/StringTok.h"
#include "script/VariableStore.h"

namespace mirt {

// A new integer record; refuses the 257th with a message.
int ArgumentReader::NewInteger(const std::string& name) {
  int32_t& count = state_.intCount;
  if (count < 0 || count >= kIntVarCount) {
    host_.Message(utf8ToCp932("整数変数の数が上限（256個）を超えました。"));
    return -1;
  }
  CopyField(vars_.ints[count].name, kVarNameField, name);
  vars_.ints[count].value = 0;
  return count++;
}

int ArgumentReader::NewString(const std::string& name) {
  int32_t& count = state_.stringCount;
  if (count < 0 || count >= kStrVarCount) {
    host_.Message(utf8ToCp932("文字列変数の数が上限（40個）を超えました。"));
    return -1;
  }
  CopyField(vars_.strs[count].name, kVarNameField, name);
  return count++;
}

int32_t ArgumentReader::NamedInteger() {
  std::string name;
  tok_.ReadToken(name, kTokenMax, true);
  int i = vars_.FindInteger(name);
  if (i < 0) {
    host_.Message(utf8ToCp932("変数が指定されていません。"));
    return 0;
  }
  return vars_.ints[i].value;
}

int32_t ArgumentReader::Int() {
  tok_.SetDelimiters(grammar::kIntegerArgument);
  std::string token;
  if (tok_.ReadToken(token, kTokenMax, true) == '!') return NamedInteger();
  return ParseDecimal(token.c_str());
}

std::string ArgumentReader::String() {
  tok_.SetDelimiters(grammar::kStringArgument);
  std::string token, out;
  char c = tok_.ReadToken(token, kTokenMax, true);
  if (c == '&') {
    tok_.SetDelimiters(grammar::kStringVariable);
    std::string name;
    tok_.ReadToken(name, kTokenMax, true);
    int i = vars_.FindString(name);
    out = i >= 0 ? vars_.StringValue(i) : name;
    // Blanks go as from every token read here, also from a value typed into
    // an input box.
    std::erase_if(out, [](char ch) { return ch == ' ' || ch == '\t'; });
  } else if (c == ',') {
    out = token;
  } else {
    tok_.ReadToken(out, kTokenMax, true);
  }
  return out;
}

std::string ArgumentReader::Quoted(Blanks blanks) {
  const bool drop = blanks == Blanks::Drop;
  tok_.SetDelimiters(grammar::kQuote);
  std::string skipped, name;
  tok_.ReadToken(skipped, kTokenMax, drop);
  tok_.ReadToken(name, kTokenMax, drop);
  return name;
}

int ArgumentReader::FindStringOrWarn(const std::string& name) {
  int i = vars_.FindString(name);
  if (i < 0) host_.Message(utf8ToCp932("連結先の文字列変数が設定されていません。"));
  return i;
}

bool ArgumentReader::IntegerAssignment() {
  std::string name, value;
  tok_.SetDelimiters(grammar::kAssignedName);
  if (tok_.ReadToken(name, kTokenMax, true) == '\n') return false;
  int index = vars_.FindInteger(name);
  tok_.SetDelimiters(grammar::kIntegerValue);
  if (tok_.ReadToken(value, kTokenMax, true) == '\n') return false;
  int source = vars_.FindInteger(value);
  int32_t v = source >= 0 ? vars_.ints[source].value : ParseDecimal(value.c_str());
  // An empty name finds the first free record; that is a new variable too.
  if (index >= 0 && index >= state_.intCount) index = -1;
  if (index < 0) index = NewInteger(name);
  if (index >= 0) vars_.ints[index].value = v;
  return true;
}

bool ArgumentReader::StringAssignment() {
  std::string name, value;
  tok_.SetDelimiters(grammar::kAssignedName);
  if (tok_.ReadToken(name, kTokenMax, true) == '\n') {
    host_.Message(utf8ToCp932("変数の指定がありません。"));
    return false;
  }
  int index = vars_.FindString(name);
  tok_.SetDelimiters(grammar::kStringValue);
  tok_.ReadToken(value, kTokenMax, true);
  tok_.ReadToken(value, kTokenMax, true);
  if (index >= 0 && index >= state_.stringCount) index = -1;
  if (index < 0) index = NewString(name);
  if (index >= 0) CopyText(vars_.strs[index].value, kStrValueField, value);
  return true;
}

// Reads a variable name ended by one of delimiters; false when a line feed
// comes first (with the message).
bool ArgumentReader::ReadReferenceName(const char* delimiters, std::string& name) {
  tok_.SetDelimiters(delimiters);
  if (tok_.ReadToken(name, kTokenMax, true) == '\n') {
    host_.Message(utf8ToCp932("変数の指定がありません。"));
    return false;
  }
  return true;
}

bool ArgumentReader::IntegerReference() {
  std::string name;
  if (!ReadReferenceName(grammar::kIntegerReference, name)) return false;
  int i = vars_.FindInteger(name);
  // No such variable: nothing shown.
  if (i >= 0) host_.ShowStoryText(std::to_string(vars_.ints[i].value));
  return true;
}

bool ArgumentReader::StringReference() {
  std::string name;
  if (!ReadReferenceName(grammar::kStringReference, name)) return false;
  int i = vars_.FindString(name);
  if (i >= 0) host_.ShowStoryText(vars_.StringValue(i));
  return true;
}

}  // namespace mirt
