// Story text: revealed unit by unit on the screen and kept whole on the
// text layer; the wait indicator.
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "common/Ascii.h"
#include "common/Encoding.h"
#include "graphics/Composition.h"
#include "graphics/Screen.h"
#include "graphics/Stage.h"
#include "script/CFile.h"
#include "script/GameState.h"
#include "script/StoryHost.h"
#include "text/MessageWindow.h"

#include "common/TextUnits.h"
#include "common/Wrap.h"
#include "text/TextFont.h"
#include "text/TextOut.h"

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
void CopyFromBox(const QImage& box, QImage& target, const QRect& rect) {
  QRect r = rect.intersected(box.rect());
  if (r.isEmpty()) return;
  QPainter painter(&target);
  painter.drawImage(r.topLeft(), box, r);
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

const QFont& MessageWindow::font() {
  StoryFontCache& c = font_;
  const GameState& s = p_.state();
  const std::string name = s.FontName();
  const QImage& screen = p_.screen().layers().screen;
  int ppi = screen.isNull() ? 96 : screen.logicalDpiY();
  if (!c.valid || c.name != name || c.size != s.fontSize || c.ppi != ppi) {
    QFont font(FontFamilyFor(name));
    font.setStyleHint(QFont::Serif, QFont::NoAntialias);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setFixedPitch(true);
    font.setHintingPreference(QFont::PreferFullHinting);  // whole-pixel advances
    font.setPixelSize(FontPixelSize(s.fontSize, ppi));
    c.font = font;
    c.name = name;
    c.size = s.fontSize;
    c.ppi = ppi;
    c.valid = true;
  }
  return c.font;
}

int32_t MessageWindow::LineStep() const {
  return WrapAdd(p_.state().lineSpacing, p_.state().fontSize);
}

void MessageWindow::NewLine() {
  penX_ = p_.state().textOriginX;
  penY_ = WrapAdd(penY_, LineStep());
  if (textOut_) textOut_->Break();
}

void MessageWindow::EndPage() {
  penY_ = WrapAdd(penY_, LineStep());
  pageFull_ = 1;
}

void MessageWindow::DrawText(const std::string& piece) {
  p_.host().TraceEvent("text", JsonObject().Int("x", penX_).Int("y", penY_).Str("text", piece));
  if (textOut_) textOut_->Piece(piece);
  Layers& layers = p_.screen().layers();
  QImage& window = p_.screen().window();
  const QFont& storyFont = font();
  QFontMetrics metrics(storyFont);
  QColor colour = ColourOf(textColour_);
  int baseline = penY_ + metrics.ascent();
  QString whole = QString::fromStdString(cp932ToUtf8(piece));
  const int32_t delay = speed_.delay();
  if (delay > 0) {
    // Unit by unit on the screen, each shown at once; the pause after each
    // is left out in page mode and cut short while the left button is held.
    // Once the window shows ScreenImage, each unit goes on both pictures
    // and only its own cell is repainted, which keeps them equal without
    // copying the whole screen per unit. While the two still share their
    // pixels (nothing has drawn on either since the last piece) the window
    // shows ScreenImage already and the whole repaint is left out.
    if (window.isNull() || window.cacheKey() != layers.screen.cacheKey()) p_.screen().Repaint();
    int x = penX_;
    for (size_t i = 0; i < piece.size();) {
      size_t n = TextUnitLength(piece, i);
      QString unit = QString::fromStdString(cp932ToUtf8(piece.substr(i, n)));
      DrawAt(layers.screen, storyFont, colour, x, baseline, unit);
      DrawAt(window, storyFont, colour, x, baseline, unit);
      int advance = metrics.horizontalAdvance(unit);
      QRect cell = metrics.boundingRect(unit).translated(x, baseline);
      cell = cell.united(QRect(x, penY_, advance, metrics.height())).adjusted(-2, -2, 2, 2);
      p_.screen().PresentRect(cell.x(), cell.y(), cell.width(), cell.height());
      x += advance;
      i += n;
      if (!p_.host().pageMode()) p_.host().WaitOrClick(delay);
    }
    window = layers.screen;  // the same pixels: share them again
  } else {
    DrawAt(layers.screen, storyFont, colour, penX_, baseline, whole);
    p_.screen().Repaint();
  }
  DrawAt(layers.text, storyFont, colour, penX_, baseline, whole);
  penX_ += metrics.horizontalAdvance(whole);
}

void MessageWindow::Clear() {
  Layers& layers = p_.screen().layers();
  CopyFromBox(layers.box, layers.screen, MessageBoxRect(p_));
  layers.text.fill(qRgb(255, 0, 0));
  p_.screen().Repaint();
  pageFull_ = 0;
  penX_ = p_.state().textOriginX;
  penY_ = p_.state().textOriginY;
}

// The picture of the wait in progress and where it goes on the window.
const QImage& MessageWindow::CurrentWaitPicture() const {
  return pageFull_ ? indicator_.pageWait : indicator_.lineWait;
}

QRect MessageWindow::WaitIndicatorRect() const {
  const QImage& picture = CurrentWaitPicture();
  const GameState& s = p_.state();
  int x = s.boxRight - picture.width() - 5;
  int y = s.indicatorMode == 1 ? s.boxBottom - indicator_.lineWait.height()
                               : WrapSub(penY_, LineStep());
  return QRect(x, y, picture.width(), picture.height());
}

void MessageWindow::EraseWaitIndicator() {
  if (!p_.state().indicatorEnabled) return;
  Layers& layers = p_.screen().layers();
  CopyFromBox(layers.box, layers.screen, WaitIndicatorRect());
  if (p_.host().storyState() != StoryState::BoxHidden) p_.screen().Repaint();
}

void MessageWindow::EraseIndicatorAtBoxBottom() {
  const QImage& picture = indicator_.lineWait;
  if (picture.isNull()) return;
  const GameState& s = p_.state();
  const QRect rect(s.boxRight - picture.width() - 5, s.boxBottom - picture.height(),
                   picture.width(), picture.height());
  CopyFromBox(p_.screen().layers().box, p_.screen().layers().screen, rect);
  p_.screen().Repaint();
}

void MessageWindow::BlinkStep() {
  const GameState& s = p_.state();
  if (!s.indicatorEnabled || p_.host().storyState() != StoryState::Shown) return;
  if (p_.host().ChoicePending()) return;
  if (++blinkCounter_ * 100 < s.indicatorPeriod) return;
  blinkCounter_ = 0;
  blinkPhase_ = !blinkPhase_;
  QRect rect = WaitIndicatorRect();
  QImage& window = p_.screen().window();
  if (blinkPhase_) {
    const QImage& picture = CurrentWaitPicture();
    if (picture.isNull()) return;
    QPainter painter(&window);
    painter.drawImage(rect.topLeft(), picture);
  } else {
    CopyFromBox(p_.screen().layers().box, window, rect);
  }
  p_.screen().PresentRect(rect.x(), rect.y(), rect.width(), rect.height());
}

void MessageWindow::LoadIndicator() {
  LoadIndicatorPicture("icon1.bmp", indicator_.lineWait);
  LoadIndicatorPicture("icon2.bmp", indicator_.pageWait);
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

}  // namespace mirt
