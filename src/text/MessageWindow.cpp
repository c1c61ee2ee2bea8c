// Story text: revealed unit by unit on the screen, kept whole on the text
// layer, and the text history's page and line bookkeeping.
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "common/Ascii.h"
#include "graphics/Composition.h"
#include "platform/Encoding.h"
#include "script/CFile.h"
#include "shell/Player.h"
#include "text/TextFont.h"
#include "text/TextUnits.h"

namespace mirt {
namespace {

QColor ColourOf(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// One piece of text at (x, baseline) with a transparent background.
void DrawAt(QImage& img, const QFont& font, const QColor& colour, int x, int baseline,
            const QString& s) {
  QPainter painter(&img);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setFont(font);
  painter.setPen(colour);
  painter.drawText(x, baseline, s);
}

// The part of BoxImage under rect onto the same place of target.
void CopyFromBox(const Player& p, QImage& target, const QRect& rect) {
  QRect r = rect.intersected(p.layers.box.rect());
  if (r.isEmpty()) return;
  QPainter painter(&target);
  painter.drawImage(r.topLeft(), p.layers.box, r);
}

}  // namespace

QString FontFamilyFor(const std::string& cp932Name) {
  std::string name = cp932ToUtf8(cp932Name);
  if (name.empty() || name == "ＭＳ 明朝" || name == "ＭＳ　明朝" || name == "MS Mincho")
    return QStringLiteral("IPAMincho");
  if (name == "ＭＳ Ｐ明朝" || name == "ＭＳ　Ｐ明朝" || name == "MS PMincho")
    return QStringLiteral("IPAPMincho");
  if (name == "ＭＳ ゴシック" || name == "ＭＳ　ゴシック" || name == "MS Gothic")
    return QStringLiteral("IPAGothic");
  if (name == "ＭＳ Ｐゴシック" || name == "ＭＳ　Ｐゴシック" || name == "MS PGothic" ||
      name == "MS UI Gothic")
    return QStringLiteral("IPAPGothic");
  QString family = QString::fromStdString(name);
  if (!QFontDatabase::hasFamily(family)) return QStringLiteral("IPAMincho");
  return family;
}

int FontPixelSize(int32_t size, int ppi) {
  if (ppi <= 0) ppi = 96;
  int64_t points = size > 0 ? static_cast<int64_t>(size) * 96 / ppi : 12 * 96 / ppi;
  int64_t pixels = (points * ppi + 36) / 72;  // MulDiv(points, ppi, 72)
  return static_cast<int>(std::clamp<int64_t>(pixels, 1, 4096));
}

const QFont& StoryFont(Player& p) {
  StoryFontCache& c = p.storyFont;
  const std::string name = FieldString(p.state.fontName, sizeof p.state.fontName);
  int ppi = p.layers.screen.isNull() ? 96 : p.layers.screen.logicalDpiY();
  if (!c.valid || c.name != name || c.size != p.state.fontSize || c.ppi != ppi) {
    QFont font(FontFamilyFor(name));
    font.setStyleHint(QFont::Serif, QFont::NoAntialias);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setFixedPitch(true);
    font.setHintingPreference(QFont::PreferFullHinting);  // whole-pixel advances
    font.setPixelSize(FontPixelSize(p.state.fontSize, ppi));
    c.font = font;
    c.name = name;
    c.size = p.state.fontSize;
    c.ppi = ppi;
    c.valid = true;
  }
  return c.font;
}

void Player::DrawMessageText(const std::string& piece) {
  TraceEvent("text", JsonObject().Int("x", text.penX).Int("y", text.penY).Str("text", piece));
  const QFont& font = StoryFont(*this);
  QFontMetrics metrics(font);
  QColor colour = ColourOf(textColour);
  int baseline = text.penY + metrics.ascent();
  QString whole = QString::fromStdString(cp932ToUtf8(piece));
  if (charDelay > 0) {
    // Unit by unit on the screen, each shown at once; the pause after each
    // is left out in page mode and cut short while the left button is held.
    // Once the window shows ScreenImage, each unit goes on both pictures
    // and only its own cell is repainted, which keeps them equal without
    // copying the whole screen per unit. While the two still share their
    // pixels (nothing has drawn on either since the last piece) the window
    // shows ScreenImage already and the whole repaint is left out.
    if (windowImage.isNull() || windowImage.cacheKey() != layers.screen.cacheKey()) Repaint();
    int x = text.penX;
    for (size_t i = 0; i < piece.size();) {
      size_t n = TextUnitLength(piece, i);
      QString unit = QString::fromStdString(cp932ToUtf8(piece.substr(i, n)));
      DrawAt(layers.screen, font, colour, x, baseline, unit);
      DrawAt(windowImage, font, colour, x, baseline, unit);
      int advance = metrics.horizontalAdvance(unit);
      QRect cell = metrics.boundingRect(unit).translated(x, baseline);
      cell = cell.united(QRect(x, text.penY, advance, metrics.height())).adjusted(-2, -2, 2, 2);
      platform.presentRect(windowImage, cell.x(), cell.y(), cell.width(), cell.height());
      x += advance;
      i += n;
      if (!PageMode()) WaitOrClick(charDelay);
    }
    windowImage = layers.screen;  // the same pixels: share them again
  } else {
    DrawAt(layers.screen, font, colour, text.penX, baseline, whole);
    Repaint();
  }
  DrawAt(layers.text, font, colour, text.penX, baseline, whole);
  text.penX += metrics.horizontalAdvance(whole);
}

void Player::ClearMessageWindow() {
  CopyFromBox(*this, layers.screen, MessageBoxRect(*this));
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
  platform.presentRect(windowImage, rect.x(), rect.y(), rect.width(), rect.height());
}

void LoadIndicatorPicture(const std::string& cp932Name, QImage& out) {
  auto bytes = ReadWholeFile(cp932Name);
  if (!bytes) return;
  // Qt's readers: the one the name's suffix names, then whichever knows the
  // contents.
  const QByteArrayView data(bytes->data(), qsizetype(bytes->size()));
  const size_t dot = cp932Name.find_last_of("./\\");
  QImage picture;
  if (dot != std::string::npos && cp932Name[dot] == '.') {
    std::string suffix = cp932Name.substr(dot + 1);
    for (char& c : suffix) c = LowerAscii(c);
    picture = QImage::fromData(data, suffix.c_str());
  }
  if (picture.isNull()) picture = QImage::fromData(data);
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
