// The string commands and the small utilities: STRCAT, STRCMP, STRLEN,
// STRTOINT, INTTOSTR, INPUTBOX, GETTIME and DEBUG. None of them creates a
// variable; every name must have been assigned before.
#include <cstdint>
#include <optional>
#include <string>

#include "common/Decimal.h"
#include "common/Encoding.h"
#include "common/TextUnits.h"
#include "platform/Platform.h"
#include "script/CText.h"
#include "script/CommandTable.h"
#include "script/StoryHost.h"
#include "script/VariableStore.h"
#include "vars/VarsCommands.h"

namespace mirt {
namespace {

// What the string commands work on.
class Objects {
 public:
  Objects(CText& script, Platform& platform) : script_(script), platform_(platform) {}
  ArgumentReader& args() { return script_.args(); }
  StringTok& tok() { return script_.tok(); }
  VariableStore& vars() { return script_.args().vars(); }
  StoryHost& host() { return script_.args().host(); }
  Platform& platform() { return platform_; }

 private:
  CText& script_;
  Platform& platform_;
};

bool LineEnded(char d) { return d == '\n' || d == 0; }

void SetString(Objects& p, int index, const std::string& value) {
  CopyText(p.vars().strs[index].value, kStrValueField, value);  // 254 bytes, whole characters
}

// Reads the string variable name that opens STRCAT, STRCMP and STRLEN.
bool ReadLeadingName(Objects& p, std::string& name) {
  p.tok().SetDelimiters(",\n");
  if (LineEnded(p.tok().ReadToken(name, kTokenMax, true))) {
    p.host().Message(Sjis("変数が指定されていません。"));
    return false;
  }
  return true;
}

}  // namespace

int CmdSTRCAT(Objects& p) {
  std::string dstName, token, text;
  if (!ReadLeadingName(p, dstName)) return 0;
  int dst = p.vars().FindString(dstName);
  if (dst < 0) {
    p.host().Message(Sjis("連結先の文字列変数が設定されていません。"));
    return 1;
  }
  p.tok().SetDelimiters("\",&");
  char d = p.tok().ReadToken(token, kTokenMax, true);
  if (d == '"') {
    p.tok().ReadToken(text, kTokenMax, true);
  } else {
    int src = -1;
    if (d == '&') {
      p.tok().ReadToken(token, kTokenMax, true);
      src = p.vars().FindString(token);
    }
    if (src < 0) {
      p.host().Message(Sjis("連結元の文字列変数が設定されていません。"));
      return 1;
    }
    text = p.vars().StringValue(src);
  }
  SetString(p, dst, p.vars().StringValue(dst) + text);
  return 1;
}

int CmdSTRCMP(Objects& p) {
  std::string aName, token, other, resultName;
  if (!ReadLeadingName(p, aName)) return 0;
  int a = p.args().FindStringOrWarn(aName);
  if (a < 0) return 1;
  p.tok().SetDelimiters("\",&");
  char d = p.tok().ReadToken(token, kTokenMax, true);
  if (d == '"') {
    p.tok().ReadToken(other, kTokenMax, true);
  } else if (d == '&') {
    p.tok().ReadToken(token, kTokenMax, true);
    int b = p.args().FindStringOrWarn(token);
    if (b < 0) return 1;
    other = p.vars().StringValue(b);
  } else {
    return 1;  // neither quoted text nor a variable: nothing to compare
  }
  p.tok().ReadToken(resultName, kTokenMax, true);
  int r = p.vars().FindInteger(resultName);
  if (r < 0) {
    p.host().Message(Sjis("変数が指定されていません。"));
    return 1;
  }
  p.vars().ints[r].value = p.vars().StringValue(a) == other ? 1 : 0;
  return 1;
}

int CmdSTRLEN(Objects& p) {
  std::string sName, nName;
  if (!ReadLeadingName(p, sName)) return 0;
  int s = p.args().FindStringOrWarn(sName);
  if (s < 0) return 1;
  p.tok().ReadToken(nName, kTokenMax, true);
  int n = p.vars().FindInteger(nName);
  if (n < 0) {
    p.host().Message(Sjis("変数が指定されていません。"));
    return 0;
  }
  std::string value = p.vars().StringValue(s);
  int32_t units = 0;
  for (size_t i = 0; i < value.size(); i += TextUnitLength(value, i)) ++units;
  p.vars().ints[n].value = units;
  return 1;
}

namespace {

// STRTOINT and INTTOSTR: the integer variable, then the string variable.
bool ReadIntAndString(Objects& p, int& n, int& s) {
  std::string nName, sName;
  p.tok().SetDelimiters(",");
  p.tok().ReadToken(nName, kTokenMax, true);
  p.tok().ReadToken(sName, kTokenMax, true);
  n = p.vars().FindInteger(nName);
  if (n < 0) {
    p.host().Message(Sjis("変数の指定がありません。"));
    return false;
  }
  s = p.args().FindStringOrWarn(sName);
  return true;
}

}  // namespace

int CmdSTRTOINT(Objects& p) {
  int n, s;
  if (!ReadIntAndString(p, n, s)) return 0;
  if (s >= 0) p.vars().ints[n].value = ParseDecimal(p.vars().StringValue(s).c_str());
  return 1;
}

int CmdINTTOSTR(Objects& p) {
  int n, s;
  if (!ReadIntAndString(p, n, s)) return 0;
  if (s >= 0) SetString(p, s, std::to_string(p.vars().ints[n].value));
  return 1;
}

int CmdINPUTBOX(Objects& p) {
  std::string caption, initial, name, flag, skip;
  p.tok().SetDelimiters("\",\n");
  p.tok().ReadToken(skip, kTokenMax, true);
  p.tok().ReadToken(caption, kTokenMax, true);
  p.tok().SetDelimiters(",\n");
  p.tok().ReadToken(skip, kTokenMax, true);
  p.tok().SetDelimiters("\",\n");
  p.tok().ReadToken(skip, kTokenMax, true);
  p.tok().ReadToken(initial, kTokenMax, true);
  p.tok().SetDelimiters(",\n");
  p.tok().ReadToken(skip, kTokenMax, true);
  p.tok().ReadToken(name, kTokenMax, true);
  p.tok().ReadToken(flag, 8, true);
  int32_t confirm = ParseDecimal(flag.c_str());
  if (confirm != 0 && confirm != 1) {
    p.host().Message(Sjis("フラグの設定ミスです"));
    return 1;
  }
  std::string entered;
  for (;;) {
    std::optional<std::string> typed =
        p.platform().inputDialog(caption, Sjis("全角128字(半角256字)まで"), initial);
    JsonObject ev;
    ev.Str("caption", caption).Str("initial", initial);
    if (typed)
      ev.Str("result", *typed);
    else
      ev.Null("result");
    p.host().TraceEvent("input", ev);
    entered = typed ? *typed : initial;
    if (confirm == 0 ||
        p.host().Question(Sjis("以上の入力でよろしいですか？　：　") + entered, Sjis("入力確認")))
      break;
  }
  int s = p.vars().FindString(name);
  if (s >= 0) SetString(p, s, entered);
  return 1;
}

int CmdGETTIME(Objects& p) {
  std::string name;
  p.tok().SetDelimiters(",\n");
  if (p.tok().ReadToken(name, kTokenMax, true) != ',') {
    p.host().Message(Sjis("変数が指定されていません。"));
    return 0;
  }
  int n = p.vars().FindInteger(name);
  if (n >= 0) p.vars().ints[n].value = static_cast<int32_t>(p.platform().tickCount() % 65536u);
  return 1;
}

int CmdDEBUG(Objects& p) {
  std::string skip, name;
  p.tok().SetDelimiters("&,!");
  char kind = p.tok().ReadToken(skip, kTokenMax, true);
  p.tok().ReadToken(name, kTokenMax, true);
  if (kind == '!') {
    int i = p.vars().FindInteger(name);
    if (i < 0)
      p.host().Message(Sjis("変数が存在しません。"));
    else
      p.host().Message(name + ": " + std::to_string(p.vars().ints[i].value));
  } else if (kind == '&') {
    int i = p.vars().FindString(name);
    if (i < 0)
      p.host().Message(Sjis("変数が存在しません。"));
    else
      p.host().Message(name + ": " + p.vars().StringValue(i));
  } else {
    p.host().Message(Sjis("変数名が特定できません"));
  }
  return 1;
}

void RegisterStringCommands(CommandTable& table, CText& script, Platform& platform) {
  Objects o(script, platform);
#define MIRT_BIND(name) table.Bind(Command::name, [o]() mutable { return Cmd##name(o); })
  MIRT_BIND(STRCAT);
  MIRT_BIND(STRCMP);
  MIRT_BIND(STRLEN);
  MIRT_BIND(STRTOINT);
  MIRT_BIND(INTTOSTR);
  MIRT_BIND(INPUTBOX);
  MIRT_BIND(GETTIME);
  MIRT_BIND(DEBUG);
#undef MIRT_BIND
}

}  // namespace mirt
