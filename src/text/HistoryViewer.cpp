// The history viewer's drawing: the panel, one page of lines, the arrows.
#include "text/HistoryViewer.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/Encoding.h"
#include "common/ScreenSize.h"
#include "graphics/Composition.h"
#include "graphics/Screen.h"
#include "graphics/Stage.h"
#include "script/GameState.h"
#include "script/StoryHost.h"
#include "text/History.h"
#include "text/TextOut.h"

namespace mirt {
namespace {

constexpr int kArrowInset = 32;     // the arrows' distance from the box's right and bottom
constexpr int kUpArrowHeight = 28;  // how far below the box top the up arrow reacts

QColor ColourOf(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// A 640x480 picture as a 24-bit bottom-up buffer (blue, green, red).
std::vector<uint8_t> ImageToRows(const QImage& image) {
  std::vector<uint8_t> rows(size_t(kScreenWidth) * kScreenHeight * 3, 0);
  for (int y = 0; y < kScreenHeight && y < image.height(); ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    uint8_t* dst = rows.data() + size_t(kScreenHeight - 1 - y) * kScreenWidth * 3;
    for (int x = 0; x < kScreenWidth && x < image.width(); ++x, dst += 3) {
      dst[0] = uint8_t(qBlue(src[x]));
      dst[1] = uint8_t(qGreen(src[x]));
      dst[2] = uint8_t(qRed(src[x]));
    }
  }
  return rows;
}

// Every channel of the box's pixels moves towards the tint by the opacity.
// The box is cut to the picture first: a script may name any rectangle.
void TintBox(QImage& panel, const GameState& s) {
  const int left = std::clamp(s.historyLeft, 0, panel.width());
  const int right = std::clamp(s.historyRight, 0, panel.width());
  const int top = std::clamp(s.historyTop, 0, panel.height());
  const int bottom = std::clamp(s.historyBottom, 0, panel.height());
  const int opacity = s.historyTint[3];
  auto mix = [opacity](int old, int tint) { return (old * 256 + (tint - old) * opacity) >> 8; };
  for (int y = top; y < bottom; ++y) {
    auto* row = reinterpret_cast<QRgb*>(panel.scanLine(y));
    for (int x = left; x < right; ++x) {
      const QRgb c = row[x];
      row[x] = qRgb(mix(qRed(c), s.historyTint[0]), mix(qGreen(c), s.historyTint[1]),
                    mix(qBlue(c), s.historyTint[2]));
    }
  }
}

// A coordinate worked out in 64 bits, brought back into a range where
// drawing there simply shows nothing.
int Coordinate(int64_t v) { return int(std::clamp<int64_t>(v, -(1 << 20), 1 << 20)); }

}  // namespace

const QFont& HistoryViewer::font() {
  StoryFontCache& c = font_;
  const GameState& s = p_.state();
  const std::string name = s.HistoryFontName();
  const QImage& screen = p_.screen().layers().screen;
  const int ppi = screen.isNull() ? 96 : screen.logicalDpiY();
  if (!c.valid || c.name != name || c.size != s.historyFontSize || c.ppi != ppi) {
    QFont f(FontFamilyFor(name));
    f.setStyleHint(QFont::Serif, QFont::NoAntialias);
    f.setStyleStrategy(QFont::NoAntialias);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setPixelSize(FontPixelSize(s.historyFontSize, ppi));
    c.font = f;
    c.name = name;
    c.size = s.historyFontSize;
    c.ppi = ppi;
    c.valid = true;
  }
  return c.font;
}

void HistoryViewer::Open(int x, int y) {
  viewPage_ = std::max(0, history_.page() - 1);
  QImage& window = p_.screen().window();
  const QImage& shown = window.isNull() ? p_.screen().layers().screen : window;
  saved_ = shown.copy();
  panel_ = shown.convertToFormat(QImage::Format_RGB32);
  if (panel_.isNull()) panel_ = QImage(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
  const GameState& s = p_.state();
  if (s.historyMode == 1) {
    std::vector<uint8_t> rows = ImageToRows(panel_);
    DrawMaskedSprite(p_, s.HistoryPicture(), s.historyPictureX, s.historyPictureY, rows);
    RowsToImage(rows, panel_);
  } else {
    TintBox(panel_, s);
  }
  window = panel_.copy();
  p_.screen().Present();
  rendered_ = window.copy();
  DrawPage();
  MouseMove(x, y);
}

void HistoryViewer::DrawPage() {
  const CThink& history = history_;
  viewPage_ = std::clamp(viewPage_, 0, history.page());
  QImage& window = p_.screen().window();
  window = panel_.copy();
  {
    const GameState& s = p_.state();
    const QFont& f = font();
    const int ascent = QFontMetrics(f).ascent();
    QPainter painter(&window);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(f);
    painter.setPen(ColourOf(s.historyTextColour));
    const int64_t step = int64_t(s.historyFontSize) + s.historyLineSpacing;
    for (int i = 0; i <= history.lineIndex(viewPage_); ++i) {
      const std::string& line = history.Line(viewPage_, i);
      if (line.empty()) continue;
      const int64_t top = int64_t(s.historyOriginY) + i * step;
      painter.drawText(Coordinate(s.historyOriginX), Coordinate(top + ascent),
                       QString::fromStdString(cp932ToUtf8(line)));
    }
  }
  p_.screen().Present();
  rendered_ = window.copy();
  if (textOut_) textOut_->HistoryPage(history, viewPage_);
}

void HistoryViewer::DrawArrow(const char* utf8, int x, int y, bool highlighted) {
  const QFont& f = font();
  QPainter painter(&p_.screen().window());
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setFont(f);
  painter.setPen(highlighted ? QColor(0, 0, 255) : QColor(255, 255, 255));
  painter.drawText(x, Coordinate(int64_t(y) + QFontMetrics(f).ascent()), QString::fromUtf8(utf8));
}

void HistoryViewer::MouseMove(int x, int y) {
  const GameState& s = p_.state();
  const int64_t right = s.historyRight, top = s.historyTop, bottom = s.historyBottom;
  const int arrowX = Coordinate(right - kArrowInset);
  const int upY = Coordinate(top), downY = Coordinate(bottom - kArrowInset);
  DrawArrow("▲", arrowX, upY, false);
  DrawArrow("▼", arrowX, downY, false);
  // Anywhere but on an arrow is elsewhere, also beside them in their
  // column: a click there must not page with an old hover.
  hover_ = kElsewhere;
  if (right - kArrowInset < x && x < right) {
    if (top < y && y < top + kUpArrowHeight) {
      DrawArrow("▲", arrowX, upY, true);
      hover_ = kOnUp;
    } else if (bottom - kArrowInset < y && y < bottom) {
      DrawArrow("▼", arrowX, downY, true);
      hover_ = kOnDown;
    }
  }
  p_.screen().Present();
}

void HistoryViewer::Page(int step) {
  const int newest = std::max(0, history_.page() - 1);
  if (step < 0)
    viewPage_ = std::max(0, viewPage_ - 1);
  else
    // Never past the last finished page.
    viewPage_ = viewPage_ + 1 >= history_.page() ? newest : viewPage_ + 1;
  DrawPage();
}

void HistoryViewer::Close() {
  p_.screen().window() = saved_;
  p_.screen().Present();
}

bool HistoryViewer::Click() {
  switch (hover_) {
    case kOnUp: Page(-1); return false;
    case kOnDown: Page(+1); return false;
    default: Close(); return true;
  }
}

}  // namespace mirt
