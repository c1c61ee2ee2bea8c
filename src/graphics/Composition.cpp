// How a frame is built: the background and the character slots are drawn
// into a 24-bit bottom-up byte buffer, which becomes SceneImage; the screen
// is the scene with the tinted box and the text over it.
#include "graphics/Composition.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

#include "common/Encoding.h"
#include "graphics/PictureCache.h"
#include "graphics/Screen.h"
#include "graphics/Stage.h"
#include "graphics/Transitions.h"
#include "platform/Platform.h"
#include "script/Arguments.h"
#include "script/GameState.h"
#include "script/Scenario.h"
#include "script/StoryHost.h"
#include "script/StringTok.h"

namespace mirt {

StringTok& Stage::tok() const { return args_.tok(); }

namespace {

constexpr int kRowBytes = kScreenWidth * 3;
constexpr size_t kBufferBytes = size_t(kRowBytes) * kScreenHeight;

// Byte offset of window pixel (x, y) in a bottom-up 24-bit buffer.
inline size_t PixelOffset(int x, int y) {
  return size_t(kScreenHeight - 1 - y) * kRowBytes + size_t(x) * 3;
}

// The part of a w x h sprite at (x, y) that lies on the screen: window
// columns x0..x1-1 and rows y0..y1-1.
struct Clip {
  int x0, x1, y0, y1;
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

Clip ClipSprite(int x, int y, int w, int h) {
  // 64-bit so that positions near the ends of the int range cannot wrap.
  auto clamp = [](int64_t v, int64_t lo, int64_t hi) { return int(std::clamp(v, lo, hi)); };
  return Clip{clamp(x, 0, kScreenWidth), clamp(int64_t(x) + w, 0, kScreenWidth),
              clamp(y, 0, kScreenHeight), clamp(int64_t(y) + h, 0, kScreenHeight)};
}

// Draws the background and the slots that pass the filter, in slot order.
template <typename Filter>
void BuildScene(Stage& p, std::vector<uint8_t>& rows, Filter drawn) {
  rows = p.screen().layers().background;
  rows.resize(kBufferBytes, 0);
  for (int slot = 0; slot < kCharacterSlots; ++slot) {
    if (!p.state().charShown[slot] || !drawn(slot)) continue;
    if (p.state().charMode[slot] == 2)
      DrawMaskedSprite(p, p.state().CharName(slot), p.state().charX[slot], p.state().charY[slot],
                       rows);
    else
      DrawSprite(p, slot, rows);
  }
}

}  // namespace

QRect MessageBoxRect(const Stage& p) {
  // Clamped side by side before any difference is taken, so that sides at
  // the ends of the int range cannot overflow the width or height.
  const GameState& s = p.state();
  const int left = std::clamp(s.boxLeft, 0, kScreenWidth);
  const int right = std::clamp(s.boxRight, 0, kScreenWidth);
  const int top = std::clamp(s.boxTop, 0, kScreenHeight);
  const int bottom = std::clamp(s.boxBottom, 0, kScreenHeight);
  if (left >= right || top >= bottom) return QRect();
  return QRect(left, top, right - left, bottom - top);
}

bool LoadGamePicture(Stage& p, const std::string& cp932Name, QImage& out) {
  std::string error;
  bool ok = p.screen().pictures().Load(cp932Name, p.defs().graphicsArchive, out, &error);
  if (!error.empty()) p.host().Message(error);
  return ok;
}

void RowsToImage(const std::vector<uint8_t>& rows, QImage& image) {
  if (image.width() != kScreenWidth || image.height() != kScreenHeight ||
      image.format() != QImage::Format_RGB32)
    image = QImage(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
  for (int y = 0; y < kScreenHeight; ++y) {
    const uint8_t* src = rows.data() + PixelOffset(0, y);
    auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < kScreenWidth; ++x, src += 3)
      dst[x] = 0xFF000000u | (uint32_t(src[2]) << 16) | (uint32_t(src[1]) << 8) | src[0];
  }
}

void ComposeScene(Stage& p, bool restoreBoxArea) {
  Screen& screen = p.screen();
  if (restoreBoxArea) {
    const QRect box = MessageBoxRect(p);
    if (!box.isEmpty() && !screen.window().isNull() && !screen.layers().scene.isNull()) {
      QPainter painter(&screen.window());
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      painter.drawImage(box.topLeft(), screen.layers().scene, box);
      painter.end();
      screen.Present();
    }
  }
  std::vector<uint8_t> rows;
  BuildScene(p, rows, [&](int slot) { return p.state().charInScene[slot] != 0; });
  RowsToImage(rows, screen.layers().scene);
}

void DrawSprite(Stage& p, int slot, std::vector<uint8_t>& rows) {
  if (slot < 0 || slot >= kCharacterSlots || rows.size() < kBufferBytes) return;
  QImage picture;
  if (!LoadGamePicture(p, p.state().CharName(slot), picture) || picture.isNull()) return;
  const int x = p.state().charX[slot], y = p.state().charY[slot];
  const Clip c = ClipSprite(x, y, picture.width(), picture.height());
  if (c.Empty()) return;
  const bool keyed = p.state().charMode[slot] == 1;
  const QRgb key = picture.pixel(0, 0) & 0xFFFFFFu;
  for (int wy = c.y0; wy < c.y1; ++wy) {
    const auto* src = reinterpret_cast<const QRgb*>(picture.constScanLine(wy - y));
    uint8_t* dst = rows.data() + PixelOffset(c.x0, wy);
    for (int wx = c.x0; wx < c.x1; ++wx, dst += 3) {
      const QRgb v = src[wx - x] & 0xFFFFFFu;
      if (keyed && v == key) continue;
      dst[0] = uint8_t(v);
      dst[1] = uint8_t(v >> 8);
      dst[2] = uint8_t(v >> 16);
    }
  }
}

void DrawMaskedSprite(Stage& p, const std::string& cp932Name, int x, int y,
                      std::vector<uint8_t>& rows) {
  if (rows.size() < kBufferBytes) return;
  QImage picture;
  if (!LoadGamePicture(p, cp932Name, picture) || picture.isNull()) return;
  const int w = picture.width() / 2;
  const Clip c = ClipSprite(x, y, w, picture.height());
  if (c.Empty()) return;
  // d' = d + floor((255 - m) * (s - d) / 256) for the sprite's s, per channel
  // with its own mask.
  auto blend = [](int d, int s, int m) { return uint8_t(d + (((255 - m) * (s - d)) >> 8)); };
  for (int wy = c.y0; wy < c.y1; ++wy) {
    const auto* src = reinterpret_cast<const QRgb*>(picture.constScanLine(wy - y));
    uint8_t* dst = rows.data() + PixelOffset(c.x0, wy);
    for (int wx = c.x0; wx < c.x1; ++wx, dst += 3) {
      const QRgb img = src[wx - x], mask = src[wx - x + w];
      if ((mask & 0xFFFFFFu) == 0xFFFFFFu) continue;  // white: the target stays
      dst[0] = blend(dst[0], qBlue(img), qBlue(mask));
      dst[1] = blend(dst[1], qGreen(img), qGreen(mask));
      dst[2] = blend(dst[2], qRed(img), qRed(mask));
    }
  }
}

void LoadBackground(Stage& p) {
  QImage picture;
  const bool loaded = LoadGamePicture(p, p.state().BackgroundName(), picture);
  std::vector<uint8_t>& rows = p.screen().layers().background;
  rows.assign(kBufferBytes, 0);
  if (!loaded || picture.isNull()) return;
  // A picture of another size lies at the top-left, cut at the edges;
  // whatever it does not reach stays black.
  const Clip c = ClipSprite(0, 0, picture.width(), picture.height());
  for (int y = c.y0; y < c.y1; ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    uint8_t* dst = rows.data() + PixelOffset(0, y);
    for (int x = c.x0; x < c.x1; ++x, dst += 3) {
      dst[0] = uint8_t(qBlue(src[x]));
      dst[1] = uint8_t(qGreen(src[x]));
      dst[2] = uint8_t(qRed(src[x]));
    }
  }
}

void PresentFrame(Stage& p) {
  Layers& layers = p.screen().layers();
  QImage& screen = layers.screen;
  screen = layers.scene.convertToFormat(QImage::Format_RGB32);
  TintMessageBox(p);
  // The text layer's ground is the colour of its bottom-left pixel.
  const QImage text = layers.text.format() == QImage::Format_RGB32
                          ? layers.text
                          : layers.text.convertToFormat(QImage::Format_RGB32);
  if (text.width() == screen.width() && text.height() == screen.height()) {
    const QRgb key = text.pixel(0, text.height() - 1) & 0xFFFFFFu;
    const int w = screen.width(), h = screen.height();
    for (int y = 0; y < h; ++y) {
      const auto* src = reinterpret_cast<const QRgb*>(text.constScanLine(y));
      auto* dst = reinterpret_cast<QRgb*>(screen.scanLine(y));
      for (int x = 0; x < w; ++x)
        if ((src[x] & 0xFFFFFFu) != key) dst[x] = src[x] | 0xFF000000u;
    }
  }
  p.screen().Repaint();
}

void ShowSceneWithoutBox(Stage& p) {
  std::vector<uint8_t> rows;
  BuildScene(p, rows, [&](int slot) { return p.state().charShowWhileHidden[slot] != 0; });
  RowsToImage(rows, p.screen().window());
  p.screen().Present();
}

// The tinted box over the finished scene: BoxImage becomes the screen with
// the box rectangle's pixels pulled towards the box colour by the opacity,
// and that rectangle goes back onto the screen.
void TintMessageBox(Stage& p, int opacity, int red, int green, int blue) {
  QImage& box = p.screen().layers().box;
  box = p.screen().layers().screen.convertToFormat(QImage::Format_RGB32);
  const QRect rect = MessageBoxRect(p).intersected(box.rect());
  if (rect.isEmpty()) return;
  auto mix = [opacity](int k, int v) { return ((k - v) * opacity + v * 256) / 256; };
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(box.scanLine(y));
    for (int x = rect.left(); x <= rect.right(); ++x) {
      QRgb c = row[x];
      row[x] = qRgb(mix(red, qRed(c)), mix(green, qGreen(c)), mix(blue, qBlue(c)));
    }
  }
  QPainter painter(&p.screen().layers().screen);
  painter.drawImage(rect.topLeft(), box, rect);
}

void TintMessageBox(Stage& p) {
  const GameState& s = p.state();
  TintMessageBox(p, s.boxOpacity, s.boxColour[0], s.boxColour[1], s.boxColour[2]);
}

bool TransitionsEnabled(Stage& p) { return !p.host().pageMode() && !p.host().skipMode(); }

int32_t CheckedEffect(Stage& p, int32_t effect) {
  if (effect >= 0 && effect <= 20) return effect;
  p.host().Message(Sjis("存在しないエフェクトＮＯを選択しました。"));
  return 0;
}

void RetintBox(Stage& p) {
  Layers& layers = p.screen().layers();
  layers.screen = layers.scene.copy();
  TintMessageBox(p);
}

void ShowScene(Stage& p, int32_t effect, int32_t speed) {
  if (TransitionsEnabled(p))
    RunTransition(p, static_cast<unsigned>(effect), speed, p.screen().layers().scene);
  PresentFrame(p);
}

}  // namespace mirt
