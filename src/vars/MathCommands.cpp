// MATH, IF, RANDOM, SIN and COS: the integer commands.
//
// MATH works in two stages, as the original engine did: the rest of the line
// is first rewritten into a text of plain numbers and operators (names are
// replaced by their values), which a small recursive-descent parser then
// evaluates. Several of the script language's oddities come from that
// rewriting and are kept on purpose.
#include <cmath>
#include <cstdint>
#include <string>

#include "common/Decimal.h"
#include "common/Encoding.h"
#include "common/Wrap.h"
#include "script/CText.h"
#include "script/CommandTable.h"
#include "script/StoryHost.h"
#include "script/VariableStore.h"
#include "vars/Random.h"
#include "vars/VarsCommands.h"

namespace mirt {
namespace {

// What the integer commands work on.
class Objects {
 public:
  Objects(CText& script, ScriptRandom& random) : script_(script), random_(random) {}
  ArgumentReader& args() { return script_.args(); }
  StringTok& tok() { return script_.tok(); }
  VariableStore& vars() { return script_.args().vars(); }
  StoryHost& host() { return script_.args().host(); }
  ScriptRandom& random() { return random_; }
  CText& script() { return script_; }

 private:
  CText& script_;
  ScriptRandom& random_;
};

constexpr size_t kExpressionMax = 255;

bool LineEnded(char d) { return d == '\n' || d == 0; }

// The evaluator of the rewritten text. An error (a stray character, a
// malformed factor, a division by zero) stops it: every loop ends and the
// value accumulated so far is the result.
class Evaluator {
 public:
  explicit Evaluator(const std::string& text) : text_(text) { Next(); }

  int32_t Expression() {
    int32_t v = Term();
    while (!error_ && (kind_ == '+' || kind_ == '-')) {
      char op = kind_;
      Next();
      int32_t r = Term();
      if (error_ && !haveValue_) break;
      uint32_t a = static_cast<uint32_t>(v), b = static_cast<uint32_t>(r);
      v = static_cast<int32_t>(op == '+' ? a + b : a - b);
    }
    return v;
  }

 private:
  enum : char { kNumber = 'n', kEnd = 'e', kError = '?' };

  int32_t Term() {
    int32_t v = Factor();
    while (!error_ && (kind_ == '*' || kind_ == '/')) {
      char op = kind_;
      Next();
      int32_t r = Factor();
      if (error_ && !haveValue_) break;
      if (op == '*') {
        v = static_cast<int32_t>(static_cast<uint32_t>(v) * static_cast<uint32_t>(r));
      } else if (r == 0) {
        error_ = true;  // the left operand stays
        haveValue_ = false;
        break;
      } else if (v == INT32_MIN && r == -1) {
        v = INT32_MIN;  // the one quotient that does not fit wraps
      } else {
        v /= r;
      }
    }
    return v;
  }

  // number | '-' number | '(' expression ')'. Without a value it is 0 and
  // the operation that wanted it is not applied.
  int32_t Factor() {
    haveValue_ = true;
    if (kind_ == kNumber) {
      int32_t v = number_;
      Next();
      return v;
    }
    if (kind_ == '-') {
      Next();
      if (kind_ == kNumber) {
        int32_t v = static_cast<int32_t>(0u - static_cast<uint32_t>(number_));
        Next();
        return v;
      }
    } else if (kind_ == '(') {
      Next();
      int32_t v = Expression();
      if (error_) return v;
      if (kind_ == ')') {
        Next();
        return v;
      }
    }
    error_ = true;
    haveValue_ = false;
    return 0;
  }

  void Next() {
    if (pos_ >= text_.size()) {
      kind_ = kEnd;
      return;
    }
    char c = text_[pos_];
    if (c >= '0' && c <= '9') {
      uint32_t n = 0;
      while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9')
        n = n * 10 + static_cast<uint32_t>(text_[pos_++] - '0');
      number_ = static_cast<int32_t>(n);
      kind_ = kNumber;
      return;
    }
    ++pos_;
    switch (c) {
      case '(':
      case ')':
      case '*':
      case '+':
      case '-':
      case '/': kind_ = c; break;
      default:
        kind_ = kError;
        error_ = true;
        haveValue_ = true;  // what was accumulated before it counts
    }
  }

  const std::string& text_;
  size_t pos_ = 0;
  char kind_ = kEnd;
  int32_t number_ = 0;
  bool error_ = false;
  bool haveValue_ = true;
};

uint32_t NextRandom(Objects& p) { return p.random().Next(); }

int SineOrCosine(Objects& p, bool cosine) {
  int32_t angle = p.args().Int();
  int32_t factor = p.args().Int();
  p.tok().SetDelimiters(",");
  std::string name;
  p.tok().ReadToken(name, kTokenMax, true);
  int i = p.vars().FindInteger(name);
  if (i < 0) {
    p.host().Message(Sjis("変数の指定がありません。"));
    return 0;
  }
  // The engine's own degree factor, slightly below pi/180.
  double radians = static_cast<double>(angle) * 0.0174532;
  double v = (cosine ? std::cos(radians) : std::sin(radians)) * static_cast<double>(factor);
  int32_t value = static_cast<int32_t>(std::trunc(v));
  p.vars().ints[i].value = value;
  if (cosine) p.host().Message(std::to_string(value));
  return 1;
}

}  // namespace

int32_t EvaluateMathText(const std::string& text) {
  // Zeros right after a ')' come from empty tokens and are dropped.
  std::string cleaned;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '0' && i > 0 && text[i - 1] == ')')) cleaned += text[i];
  if (cleaned.size() > kExpressionMax) cleaned.resize(kExpressionMax);
  Evaluator e(cleaned);
  return e.Expression();
}

int CmdMATH(Objects& p) {
  std::string name;
  p.tok().SetDelimiters("=,\n");
  if (LineEnded(p.tok().ReadToken(name, kTokenMax, true))) {
    p.host().Message(Sjis("変数の指定がありません。"));
    return 0;
  }
  int target = p.vars().FindInteger(name);

  p.tok().SetDelimiters("=,+-*/\n)(;");
  std::string text, t;
  for (;;) {
    char d = p.tok().ReadToken(t, kTokenMax, true);
    if (d == '(') {
      text += '(';
    } else {
      int32_t operand = ParseDecimal(t.c_str());
      if (operand == 0) {
        int i = p.vars().FindInteger(t);
        if (i < 0)
          p.host().Message(Sjis("変数が指定されていません。"));
        else
          operand = p.vars().ints[i].value;
      }
      text += std::to_string(operand);
      if (!LineEnded(d)) text += d;
    }
    if (LineEnded(d)) break;
  }
  int32_t result = EvaluateMathText(text);
  if (target >= 0) p.vars().ints[target].value = result;
  return 1;
}

int CmdIF(Objects& p) {
  std::string name, operand;
  p.tok().SetDelimiters("<,>=!");
  char op = p.tok().ReadToken(name, kTokenMax, true);
  if (op != '<' && op != '>' && op != '=' && op != '!') {
    p.host().Message(Sjis("条件式の演算ミスです"));
    return 1;
  }
  int left = p.vars().FindInteger(name);
  if (left < 0) {
    p.host().Message(Sjis("左辺の変数が認識できませんでした：") + name);
    return 1;
  }
  p.tok().SetDelimiters("\n");
  p.tok().ReadToken(operand, kTokenMax, true);
  int32_t right;
  if (!operand.empty() && operand[0] >= '0' && operand[0] <= '9') {
    right = ParseDecimal(operand.c_str());
  } else {
    int i = p.vars().FindInteger(operand);
    if (i < 0) {
      p.host().Message(Sjis("右辺の変数が認識できませんでした：") + operand);
      return 1;
    }
    right = p.vars().ints[i].value;
  }
  int32_t l = p.vars().ints[left].value;
  bool holds = op == '<' ? l < right : op == '>' ? l > right : op == '=' ? l == right : l != right;
  if (!holds) p.script().ReadLine();  // the line it guards is skipped
  return 1;
}

int CmdRANDOM(Objects& p) {
  std::string name, a, b;
  p.tok().SetDelimiters(",");
  p.tok().ReadToken(name, kTokenMax, true);
  p.tok().ReadToken(a, kTokenMax, true);
  p.tok().ReadToken(b, kTokenMax, true);
  int target = p.vars().FindInteger(name);
  int64_t lo = ParseDecimal(a.c_str()), hi = ParseDecimal(b.c_str());
  // The pairs that would divide by zero, like the ones that make no range,
  // leave the variable as it is.
  bool store = true;
  int64_t value = 0;
  if (lo < 0 && hi >= 0) {
    bool negative = NextRandom(p) % 2 == 0;
    int64_t r = NextRandom(p);
    if (negative)
      value = -(r % -lo);
    else if (hi != 0)
      value = r % hi;
    else
      store = false;
  } else if (lo < 0 && hi < 0) {
    int64_t r = NextRandom(p);
    if (hi != lo)
      value = -((r % (hi - lo)) + lo);
    else
      store = false;
  } else if (lo >= 0 && hi > 0) {
    int64_t r = NextRandom(p);
    if (hi - lo + 1 != 0)
      value = r % (hi - lo + 1) + lo;
    else
      store = false;
  } else if (lo == 0 && hi == 0) {
    value = 0;
  } else {
    store = false;
  }
  if (store && target >= 0) p.vars().ints[target].value = Wrap32(value);
  return 1;
}

int CmdSIN(Objects& p) { return SineOrCosine(p, false); }
int CmdCOS(Objects& p) { return SineOrCosine(p, true); }

void RegisterMathCommands(CommandTable& table, CText& script, ScriptRandom& random) {
  Objects o(script, random);
#define MIRT_BIND(name) table.Bind(Command::name, [o]() mutable { return Cmd##name(o); })
  MIRT_BIND(MATH);
  MIRT_BIND(IF);
  MIRT_BIND(RANDOM);
  MIRT_BIND(SIN);
  MIRT_BIND(COS);
#undef MIRT_BIND
}

}  // namespace mirt
