#include "script/CText.h"

#include <string>

#include "shell/Player.h"
#include "vars/Arguments.h"

namespace mirt {
namespace {

// Statement characters: tilde, comma, quote, backslash, '!', tab, slash, LF,
// '&', '%', 'w', apostrophe.
const std::string kStatementSet = std::string("~,\"\\!\t/\n&%w'");
const std::string kQuoteSet = "\"";
const std::string kEscapeSet = "n,N,r,R,p,P,w,W";
const std::string kCommandNameSet = " ,\n";

}  // namespace

CText::CText(Player& p) : p_(p), scenario_(p) { line_[0] = 0; }

bool CText::ReadLine() {
  const char* text = scenario_.Text();
  uint32_t pos = scenario_.position();
  if (pos >= scenario_.Length() || text[pos] == 0) {
    if (p_.closed()) return false;  // already closing: say it once
    p_.Message(Sjis("ファイルの最後まで読みこみました。終了します。"));
    p_.RequestClose();
    return false;
  }
  int n = 0;
  while (n < kLineMax) {
    char c = text[pos];
    if (c == 0) break;
    if (c == '\r' && text[pos + 1] == '\n') {
      pos += 2;
      break;
    }
    line_[n++] = c;
    ++pos;
  }
  line_[n] = 0;
  scenario_.SetPosition(pos);
  return true;
}

int CText::Run() {
  if (running_) return 0;
  running_ = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{running_};
  return RunLines();
}

int CText::RunLines() {
  if (!ReadLine()) return 0;
  tok_.SetSource(line_);
  p_.StopTimer2();
  for (;;) {
    p_.platform().yieldCpu();
    switch (Step()) {
      case Next::SameLine: break;
      case Next::NextLine:
        if (!ReadLine()) return 0;
        tok_.SetSource(line_);
        break;
      case Next::Wait:
        p_.StartTimer2();
        p_.TraceEvent("wait");
        p_.textOut().Wait(p_.choices());
        return 1;
      case Next::Stop: return 0;
    }
  }
}

CText::Next CText::Step() {
  StringTok& tok = tok_;
  std::string token;
  tok.SetDelimiters(kStatementSet);
  char c = tok.ReadToken(token, kLineMax, true);
  switch (c) {
    case 0:
    case '/':
    case '\n': return Next::NextLine;

    case '!':
      if (!IntegerAssignment(p_)) {
        p_.Message(Sjis("変数の指定がありません。"));
        p_.RequestClose();
        return Next::Stop;
      }
      return Next::NextLine;

    case '&': StringAssignment(p_); return Next::NextLine;

    case '%': StringReference(p_); return Next::SameLine;

    case '\'': IntegerReference(p_); return Next::SameLine;

    case '"': {
      tok.SetDelimiters(kQuoteSet);
      std::string textPiece;
      char end = tok.ReadToken(textPiece, kLineMax, true);
      p_.message().DrawText(textPiece);
      p_.history().Append(textPiece);
      return end == '"' ? Next::SameLine : Next::Wait;
    }

    case '\\': {
      tok.SetDelimiters(kEscapeSet);
      std::string dropped;
      switch (tok.ReadToken(dropped, kLineMax, true)) {
        case 'n':
        case 'N':
          p_.message().NewLine();
          p_.history().LineBreak();
          p_.screen().Repaint();
          return p_.settings().pageMode() ? Next::NextLine : Next::Wait;
        case 'w':
        case 'W': p_.WaitOrClick(p_.state().pauseLength); return Next::SameLine;
        case 'r':
        case 'R':
          p_.message().NewLine();
          p_.WaitOrClick(1);
          p_.history().LineBreak();
          return Next::NextLine;
        case 'p':
        case 'P':
          p_.screen().Repaint();
          p_.message().EndPage();
          p_.history().PageBreak();
          return Next::Wait;
        case ',': return Next::SameLine;
        default: return Next::Wait;
      }
    }

    case '~': {
      tok.SetDelimiters(kCommandNameSet);
      std::string keyword;
      char d = tok.ReadToken(keyword, kLineMax, false);
      int slot = commands_.Find(keyword);
      int result = 0;
      if (slot >= 0) {
        p_.TraceEvent("command", JsonObject().Str("name", keyword));
        result = commands_.Slot(slot).handler(p_);
      } else {
        p_.Message(Sjis("指定されたスクリプトは存在しません：　") + keyword);
      }
      if (result != 0) return Next::NextLine;
      // A choice on screen waits for the reader, whatever follows on the
      // line: the choice commands have read their lines past it.
      if (p_.choices().anyPending()) return Next::Wait;
      return d != 0 ? Next::SameLine : Next::Wait;
    }

    default:  // comma, small w
      return Next::SameLine;
  }
}

}  // namespace mirt
