// SELECT: text choices below the story text, the pointer and the keys over
// them, and what taking one does.
#include "text/Choices.h"

#include <QFontMetrics>
#include <QPainter>

#include "common/Encoding.h"
#include "graphics/Screen.h"
#include "platform/Platform.h"
#include "save/SaveSlots.h"
#include "script/Arguments.h"
#include "script/CText.h"
#include "script/CommandTable.h"
#include "script/FlowCommands.h"
#include "script/GameState.h"
#include "script/StoryHost.h"
#include "text/Choices.h"
#include "text/History.h"
#include "text/MessageWindow.h"
#include "text/TextOut.h"
#include "text/TextStage.h"

namespace mirt {
namespace {

constexpr size_t kFieldMax = 254;  // a text or target field of 255 bytes

std::string Cut(std::string s) {
  if (s.size() > kFieldMax) s.resize(kFieldMax);
  return s;
}

QColor ColourOf(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

ChoiceTargetResult FollowChoiceTarget(TextStage& p, std::string target) {
  if (target.empty()) return ChoiceTargetResult::kGoOn;
  switch (target[0]) {
    case '@':
      target[0] = '*';
      JumpToLabel(p.script(), p.state(), target);
      return ChoiceTargetResult::kGoOn;
    case '!':
      JumpToScenario(p.script(), p.state(), target.substr(1));
      return ChoiceTargetResult::kGoOn;
    case '\\': {
      // "data_%c.dat" with the next character: a digit names one of the
      // ten slots, another character a file of that name.
      if (target.size() < 2) return ChoiceTargetResult::kNotLoaded;
      const bool loaded = IsDigit(target[1])
                              ? p.host().LoadSlot(target[1] - '0')
                              : p.host().LoadSlotFile("data_" + target.substr(1, 1) + ".dat");
      return loaded ? ChoiceTargetResult::kLoaded : ChoiceTargetResult::kNotLoaded;
    }
    default: return ChoiceTargetResult::kGoOn;
  }
}

void Choices::Select(TextStage& p) {
  MessageWindow& message = p.message();
  message.SetBlinking(false);
  message.EraseIndicatorAtBoxBottom();
  CText& script = p.script();
  do {
    if (!script.ReadLine()) return;  // the end of the text: the program closes
  } while (script.line()[0] != '{');

  for (Position& pos : positions_) pos = {p.state().textOriginX, -1};
  positions_[0].y = message.penY();
  for (int j = 0; j < kMax; ++j) texts_[j].clear(), targets_[j].clear();
  const QFontMetrics metrics(message.font());
  int n = 0;
  for (;;) {
    if (!script.ReadLine()) return;
    if (script.line()[0] == '}') break;
    if (n == kMax) continue;  // the set holds ten; further lines are passed over
    p.tok().SetSource(script.line());
    std::string text;
    text = p.args().String();
    if (text.size() >= 2 && text[0] == '\\' && IsDigit(text[1]))
      text = p.saveSlots().caption(text[1] - '0');
    texts_[n] = Cut(text);
    const int h = metrics.height();
    positions_[n + 1].y = positions_[n].y + h + p.state().lineSpacing;
    std::string target;
    p.tok().SetDelimiters(",");
    p.tok().ReadToken(target, kTokenMax, true);
    targets_[n] = Cut(target);
    ++n;
  }
  count_ = n;
  // A highlight left from an earlier set must not point past this one.
  if (selected_ < 0 || selected_ >= count_) selected_ = 0;
  MouseMove(p, 5, 5);
  pending_ = true;
  hovered_ = false;
  p.host().SetSkipMode(false);
}

QRect Choices::Rect(TextStage& p, int j) const {
  const QFontMetrics metrics(p.message().font());
  const QString s = QString::fromStdString(cp932ToUtf8(texts_[j]));
  return QRect(positions_[j].x, positions_[j].y, metrics.horizontalAdvance(s), metrics.height());
}

void Choices::Draw(TextStage& p, int j, bool highlight) const {
  if (texts_[j].empty()) return;
  const QFont& font = p.message().font();
  const GameState& s = p.state();
  QPainter painter(&p.screen().layers().screen);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setFont(font);
  painter.setPen(ColourOf(highlight ? s.highlightColour : s.choiceColour));
  painter.drawText(positions_[j].x, positions_[j].y + QFontMetrics(font).ascent(),
                   QString::fromStdString(cp932ToUtf8(texts_[j])));
}

bool Choices::MouseMove(TextStage& p, int x, int y) {
  const int before = hovered_ ? selected_ : -1;
  hovered_ = false;
  for (int j = 0; j < kMax; ++j) {
    if (positions_[j].y < 0) continue;
    const QRect r = Rect(p, j);
    // Strictly inside: a point on the left or top edge is beside the text.
    const bool on = r.x() < x && x < r.x() + r.width() && r.y() < y && y < r.y() + r.height();
    if (on) {
      selected_ = j;
      hovered_ = true;
    }
    Draw(p, j, on);
  }
  p.screen().Repaint();
  if (pending_ && hovered_ && selected_ != before && p.textOut())
    p.textOut()->Highlighted(texts_[selected_]);
  return hovered_;
}

void Choices::MoveHighlight(TextStage& p, int step) {
  if (count_ <= 0) return;
  selected_ += step;
  if (selected_ >= count_) selected_ = 0;
  if (selected_ < 0) selected_ = count_ - 1;
  for (int j = 0; j < count_; ++j) Draw(p, j, j == selected_);
  p.screen().Repaint();
  if (p.textOut()) p.textOut()->Highlighted(texts_[selected_]);
}

void Choices::Take(TextStage& p) {
  if (!pending_) return;
  const int j = selected_ >= 0 && selected_ < kMax ? selected_ : 0;
  p.host().TraceEvent("choice", JsonObject().Int("index", j).Str("target", targets_[j]));
  switch (FollowChoiceTarget(p, targets_[j])) {
    case ChoiceTargetResult::kLoaded: p.host().ResumeStory(); return;
    case ChoiceTargetResult::kNotLoaded: return;  // the choices stay open
    case ChoiceTargetResult::kGoOn: break;
  }
  pending_ = false;
  hovered_ = false;
  pointerOnChoice_ = false;
  p.message().SetBlinking(true);
  p.message().Clear();
  p.history().TrimHistory();
  p.host().TakeSavePoint();
  if (!p.host().closed()) p.host().ResumeStory();
}

}  // namespace mirt
