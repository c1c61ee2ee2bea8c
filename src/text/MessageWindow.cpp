// Story text: revealed unit by unit on the screen, kept whole on the text
// layer, and the text history's page and line bookkeeping.
#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "platform/Encoding.h"
#include "platform/HostFiles.h"
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

// The picture of the wait in progress and where it goes on the window.
static const QImage& CurrentWaitPicture(const Player& p) {
  return p.text.pageFull ? p.indicator.pageWait : p.indicator.lineWait;
}

static QRect WaitIndicatorRect(const Player& p) {
  const QImage& picture = CurrentWaitPicture(p);
  int x = p.state.boxRight - picture.width() - 5;
  int y = p.state.indicatorMode == 1
              ? p.state.boxBottom - p.indicator.lineWait.height()
              : p.text.penY - (p.state.lineSpacing + p.state.fontSize);
  return QRect(x, y, picture.width(), picture.height());
}

static void CopyFromBox(const Player& p, QImage& target, const QRect& rect) {
  QRect r = rect.intersected(p.layers.box.rect());
  if (r.isEmpty()) return;
  QPainter painter(&target);
  painter.drawImage(r.topLeft(), p.layers.box, r);
}

void Player::EraseWaitIndicator() {
  if (!state.indicatorEnabled) return;
  CopyFromBox(*this, layers.screen, WaitIndicatorRect(*this));
  if (input.storyState != 0) Repaint();
}

void Player::BlinkStep() {
  if (!state.indicatorEnabled || input.storyState != 1) return;
  if (input.choicePending || input.pictureChoicePending) return;
  if (++input.blinkCounter * 100 < state.indicatorPeriod) return;
  input.blinkCounter = 0;
  input.blinkPhase = !input.blinkPhase;
  QRect rect = WaitIndicatorRect(*this);
  if (input.blinkPhase) {
    const QImage& picture = CurrentWaitPicture(*this);
    if (picture.isNull()) return;
    QPainter painter(&windowImage);
    painter.drawImage(rect.topLeft(), picture);
  } else {
    CopyFromBox(*this, windowImage, rect);
  }
  PresentWindow();
}

void LoadIndicatorPicture(const std::string& cp932Name, QImage& out) {
  std::string path = ResolveExisting(cp932Name);
  if (path.empty()) return;
  QImage picture(QString::fromStdString(path));
  if (picture.isNull()) return;
  picture = picture.convertToFormat(QImage::Format_ARGB32);
  QRgb key = picture.pixel(0, picture.height() - 1) | 0xFF000000u;
  for (int y = 0; y < picture.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < picture.width(); ++x)
      if ((row[x] | 0xFF000000u) == key) row[x] = 0;
  }
  out = picture;
}

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
