// Story text: revealed unit by unit on the screen, kept whole on the text
// layer, and the text history's page and line bookkeeping.
#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "platform/Encoding.h"
#include "shell/Player.h"
#include "text/TextUnits.h"

namespace mirt {
namespace {

// Windows face names of the scripts, mapped to the IPA fonts.
QString FamilyFor(const std::string& cp932Name) {
  std::string name = cp932ToUtf8(cp932Name);
  if (name == "ＭＳ 明朝" || name == "MS Mincho" || name.empty()) return "IPAMincho";
  if (name == "ＭＳ Ｐ明朝" || name == "MS PMincho") return "IPAPMincho";
  if (name == "ＭＳ ゴシック" || name == "MS Gothic") return "IPAGothic";
  if (name == "ＭＳ Ｐゴシック" || name == "MS PGothic") return "IPAPGothic";
  return QString::fromStdString(name);
}

QColor ColourOf(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

}  // namespace

QFont StoryFont(const Player& p) {
  QFont font(FamilyFor(std::string(p.state.fontName, strnlen(p.state.fontName, 64))));
  font.setStyleHint(QFont::Serif, QFont::NoAntialias);
  font.setFixedPitch(true);
  int points = p.state.fontSize > 0 ? p.state.fontSize : 12;
  font.setPixelSize(std::max(1, (points * 96 + 36) / 72));
  return font;
}

void Player::DrawMessageText(const std::string& piece) {
  TraceEvent("text", JsonObject().Int("x", text.penX).Int("y", text.penY).Str("text", piece));
  QFont font = StoryFont(*this);
  QFontMetrics metrics(font);
  QColor colour = ColourOf(textColour);
  int baseline = text.penY + metrics.ascent();
  auto draw = [&](QImage& img, int x, const QString& s) {
    QPainter painter(&img);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(x, baseline, s);
  };
  QString whole = QString::fromStdString(cp932ToUtf8(piece));
  if (charDelay > 0) {
    int x = text.penX;
    size_t i = 0;
    while (i < piece.size()) {
      size_t n = TextUnitLength(piece, i);
      QString unit = QString::fromStdString(cp932ToUtf8(piece.substr(i, n)));
      draw(layers.screen, x, unit);
      Repaint();
      x += metrics.horizontalAdvance(unit);
      i += n;
      if (!PageMode()) WaitOrClick(charDelay);
    }
  } else {
    draw(layers.screen, text.penX, whole);
    Repaint();
  }
  draw(layers.text, text.penX, whole);
  text.penX += metrics.horizontalAdvance(whole);
}

void Player::ClearMessageWindow() {
  QRect box(state.boxLeft, state.boxTop, state.boxRight - state.boxLeft,
            state.boxBottom - state.boxTop);
  if (box.width() > 0 && box.height() > 0) {
    QPainter painter(&layers.screen);
    painter.drawImage(box.topLeft(), layers.box, box);
  }
  layers.text.fill(qRgb(255, 0, 0));
  Repaint();
  text.pageFull = 0;
  text.penX = state.textOriginX;
  text.penY = state.textOriginY;
}

void Player::EraseWaitIndicator() {
  // The indicator pictures arrive with NVMODE.
}

void Player::BlinkStep() {}

void Player::AppendHistory(const std::string& piece) { history.back().back() += piece; }

void Player::HistoryLineBreak() { history.back().emplace_back(); }

void Player::HistoryPageBreak() {
  history.emplace_back(1);
  ++text.page;
  // Keep the newest 255 pages.
  while (history.size() > 255) history.erase(history.begin());
  if (text.page > 255) text.page = 255;
}

}  // namespace mirt
