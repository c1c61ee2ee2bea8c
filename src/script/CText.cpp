#include "script/CText.h"

#include <string>

#include "common/Ascii.h"
#include "common/Encoding.h"
#include "platform/Platform.h"
#include "script/GameState.h"
#include "script/Grammar.h"
#include "script/StoryHost.h"

namespace mirt {
CText::CText(StoryHost& host, Platform& platform, GameState& state, VariableStore& vars)
    : host_(host), platform_(platform), scenario_(host, state), args_(tok_, vars, state, host) {
  line_[0] = 0;
}

bool CText::ReadLine() {
  const char* text = scenario_.Text();
  uint32_t pos = scenario_.position();
  if (pos >= scenario_.Length() || text[pos] == 0) {
    if (host_.closed()) return false;  // already closing: say it once
    host_.Message(Sjis("ファイルの最後まで読みこみました。終了します。"));
    host_.RequestClose();
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
  host_.StopTimer2();
  for (;;) {
    platform_.yieldCpu();
    switch (Step()) {
      case Next::SameLine: break;
      case Next::NextLine:
        if (!ReadLine()) return 0;
        tok_.SetSource(line_);
        break;
      case Next::Wait:
        host_.StartTimer2();
        host_.TraceEvent("wait");
        host_.StoryWaits();
        return 1;
      case Next::Stop: return 0;
    }
  }
}

CText::Next CText::Step() {
  StringTok& tok = tok_;
  std::string token;
  tok.SetDelimiters(grammar::kStatement);
  char c = tok.ReadToken(token, kLineMax, true);
  switch (c) {
    case 0:
    case '/':
    case '\n': return Next::NextLine;

    case '!':
      if (!args_.IntegerAssignment()) {
        host_.Message(Sjis("変数の指定がありません。"));
        host_.RequestClose();
        return Next::Stop;
      }
      return Next::NextLine;

    case '&': args_.StringAssignment(); return Next::NextLine;

    case '%': args_.StringReference(); return Next::SameLine;

    case '\'': args_.IntegerReference(); return Next::SameLine;

    case '"': {
      tok.SetDelimiters(grammar::kQuote);
      std::string textPiece;
      char end = tok.ReadToken(textPiece, kLineMax, true);
      host_.ShowStoryText(textPiece);
      return end == '"' ? Next::SameLine : Next::Wait;
    }

    case '\\': {
      tok.SetDelimiters(grammar::kEscape);
      std::string dropped;
      switch (tok.ReadToken(dropped, kLineMax, true)) {
        case 'n':
        case 'N': return host_.StoryNewLine() ? Next::Wait : Next::NextLine;
        case 'w':
        case 'W': host_.WaitOrClick(args_.state().pauseLength); return Next::SameLine;
        case 'r':
        case 'R': host_.StoryReturn(); return Next::NextLine;
        case 'p':
        case 'P': host_.StoryPageEnd(); return Next::Wait;
        case ',': return Next::SameLine;
        default: return Next::Wait;
      }
    }

    case '~': {
      tok.SetDelimiters(grammar::kCommandName);
      std::string keyword;
      char d = tok.ReadToken(keyword, kLineMax, false);
      int slot = commands_.Find(keyword);
      int result = 0;
      if (slot >= 0) {
        host_.TraceEvent("command", JsonObject().Str("name", commands_.Keyword(slot)));
        result = commands_.Run(slot);
      } else {
        host_.Message(Sjis("指定されたスクリプトは存在しません：　") + UpperAscii(keyword));
      }
      if (result != 0) return Next::NextLine;
      // A choice on screen waits for the reader, whatever follows on the
      // line: the choice commands have read their lines past it.
      if (host_.ChoicePending()) return Next::Wait;
      return d != 0 ? Next::SameLine : Next::Wait;
    }

    default:  // comma, small w
      return Next::SameLine;
  }
}

}  // namespace mirt
