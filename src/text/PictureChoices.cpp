// SELECTCG: picture buttons over the window, their pointer states, the
// press and what taking one does.
#include "text/PictureChoices.h"
#include "common/Decimal.h"

#include <QPainter>
#include <algorithm>

#include "graphics/Composition.h"
#include "graphics/Screen.h"
#include "platform/Platform.h"
#include "save/SaveSlots.h"
#include "script/Arguments.h"
#include "script/CText.h"
#include "script/CommandTable.h"
#include "script/GameState.h"
#include "script/Scenario.h"
#include "script/StoryHost.h"
#include "text/Choices.h"
#include "text/History.h"
#include "text/MessageWindow.h"
#include "text/TextStage.h"

namespace mirt {
namespace {

// The fields after the three picture names: x, y, the transparent flag and
// the target, comma-separated; blanks never count.
struct ButtonPlace {
  int32_t x = 0, y = 0, transparent = 0;
  std::string target;
};

ButtonPlace ParsePlace(const char* rest) {
  std::string s(rest);
  std::erase_if(s, [](char c) { return c == ' ' || c == '\t'; });
  size_t at = 0;
  if (!s.empty() && s[0] == ',') at = 1;  // the comma after the last name
  auto field = [&] {
    size_t comma = s.find(',', at);
    std::string f = s.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    at = comma == std::string::npos ? s.size() : comma + 1;
    return f;
  };
  ButtonPlace place;
  place.x = ParseDecimal(field().c_str());
  place.y = ParseDecimal(field().c_str());
  place.transparent = ParseDecimal(field().c_str());
  place.target = s.substr(at);
  if (place.target.size() > 254) place.target.resize(254);
  return place;
}

}  // namespace

QImage WithBottomLeftTransparent(const QImage& picture) {
  if (picture.isNull()) return picture;
  QImage out = picture.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = out.pixel(0, out.height() - 1) | 0xFF000000u;
  for (int y = 0; y < out.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((row[x] | 0xFF000000u) == key) row[x] = 0;
  }
  return out;
}

void PictureChoices::Select(TextStage& p) {
  p.message().SetBlinking(false);
  p.message().EraseWaitIndicator();
  for (Button& b : buttons_) {
    b.normal.clear(), b.over.clear(), b.pressed.clear(), b.target.clear();
    b.x = b.y = -1;
    b.transparent = 0;
    b.highlighted = 1;  // so that every button is drawn once
  }
  count_ = 0;
  CText& script = p.script();
  if (!script.ReadLine()) return;  // the line of the opening brace
  int n = 0;
  for (;;) {
    if (!script.ReadLine()) return;
    if (script.line()[0] == '}') break;
    if (n == kMax) continue;  // ten buttons; further lines are passed over
    Button& b = buttons_[n];
    StringTok& tok = p.tok();
    tok.SetSource(script.line());
    tok.SetDelimiters(",\"");
    for (std::string* name : {&b.normal, &b.over, &b.pressed}) {
      std::string skipped;
      char d;
      do d = tok.ReadToken(skipped, kTokenMax, true);
      while (d != '"' && d != 0);  // up to the opening quote
      if (d == '"') tok.ReadToken(*name, kTokenMax, true);
    }
    const ButtonPlace place = ParsePlace(tok.Rest());
    b.x = place.x;
    b.y = place.y;
    b.transparent = place.transparent;
    b.target = place.target;
    QImage picture;
    if (LoadGamePicture(p, b.normal, picture) && !picture.isNull()) b.picture = picture;
    b.right = b.x + b.picture.width();
    b.bottom = b.y + b.picture.height();
    ++n;
  }
  count_ = n;
  pending_ = true;
  p.host().SetSkipMode(false);
  const QImage& window = p.screen().window();
  savedWindow_ = (window.isNull() ? p.screen().layers().screen : window).copy();
  for (int j = 0; j < kMax; ++j) Hover(p, 0, 0, j);
}

void PictureChoices::RestoreRect(TextStage& p, int j) {
  const Button& b = buttons_[j];
  const QRect r =
      QRect(b.x, b.y, b.picture.width(), b.picture.height()).intersected(savedWindow_.rect());
  if (r.isEmpty()) return;
  QPainter painter(&p.screen().layers().screen);
  painter.drawImage(r.topLeft(), savedWindow_, r);
}

void PictureChoices::Show(TextStage& p, int j, const std::string& name) {
  Button& b = buttons_[j];
  QImage picture;
  if (LoadGamePicture(p, name, picture) && !picture.isNull()) b.picture = picture;
  if (!b.picture.isNull()) {
    QPainter painter(&p.screen().layers().screen);
    painter.drawImage(b.x, b.y, b.transparent ? WithBottomLeftTransparent(b.picture) : b.picture);
  }
  p.screen().Repaint();
}

int PictureChoices::Hover(TextStage& p, int mx, int my, int j) {
  Button& b = buttons_[j];
  if (b.y < 0 || j >= count_) return 0;
  // Strictly inside on all four sides.
  const bool under = b.x < mx && mx < b.right && b.y < my && my < b.bottom;
  SetHighlight(p, j, under);
  return under ? 1 : 0;
}

void PictureChoices::SetHighlight(TextStage& p, int j, bool on) {
  Button& b = buttons_[j];
  if ((b.highlighted != 0) == on) return;
  RestoreRect(p, j);
  b.highlighted = on ? 1 : 0;
  if (on) current_ = j;
  Show(p, j, on ? b.over : b.normal);
}

bool PictureChoices::MouseMove(TextStage& p, int x, int y) {
  bool any = false;
  for (int j = 0; j < kMax; ++j) any |= Hover(p, x, y, j) != 0;
  return any;
}

void PictureChoices::MoveHighlight(TextStage& p, int step) {
  if (!pending_ || count_ == 0) return;
  // From the highlighted button, or from just outside the row, to the next
  // one that is drawn (an entry placed at y -1 never is).
  int next = highlighted() ? current_ : step > 0 ? -1 : count_;
  for (int n = 0; n < count_; ++n) {
    next = ((step > 0 ? next + 1 : next - 1) % count_ + count_) % count_;
    if (buttons_[next].y >= 0) break;
  }
  if (buttons_[next].y < 0) return;
  for (int j = 0; j < count_; ++j)
    if (j != next && buttons_[j].y >= 0) SetHighlight(p, j, false);
  current_ = next;
  SetHighlight(p, next, true);
}

void PictureChoices::Take(TextStage& p) {
  if (!pending_ || current_ < 0 || current_ >= count_) return;
  const int j = current_;
  Button& b = buttons_[j];
  RestoreRect(p, j);
  Show(p, j, b.pressed);
  p.platform().sleepMs(kPressMs);
  RestoreRect(p, j);
  Show(p, j, b.normal);
  // The normal picture is up again: the next move under the pointer draws
  // the mouse-over one, should the choice stay open.
  b.highlighted = 0;
  p.host().TraceEvent("choice", JsonObject().Int("index", j).Str("target", b.target));
  switch (FollowChoiceTarget(p, b.target)) {
    case ChoiceTargetResult::kLoaded: p.host().ResumeStory(); return;
    case ChoiceTargetResult::kNotLoaded: return;
    case ChoiceTargetResult::kGoOn: break;
  }
  pending_ = false;
  p.choices().SetPointerOnChoice(false);
  p.message().SetBlinking(true);
  Layers& layers = p.screen().layers();
  layers.screen = savedWindow_.copy();
  layers.text.fill(qRgb(255, 0, 0));
  p.screen().Repaint();
  p.message().SetPageFull(false);
  p.message().MovePen(p.state().textOriginX, p.state().textOriginY);
  p.history().TrimHistory();
  p.host().TakeSavePoint();
  if (!p.host().closed()) p.host().ResumeStory();
}

}  // namespace mirt
