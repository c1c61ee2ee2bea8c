// Placeholder: the composition of a frame is being written.
#include "graphics/Composition.h"

#include <QPainter>

#include "shell/Player.h"

namespace mirt {

void ComposeScene(Player&, bool) {}
void PresentFrame(Player& p) { p.Repaint(); }
void ShowSceneWithoutBox(Player&) {}
void DrawSprite(Player&, int, std::vector<uint8_t>&) {}
void DrawMaskedSprite(Player&, const std::string&, int, int, std::vector<uint8_t>&) {}
void LoadBackground(Player&) {}
// The tinted box over the finished scene: BoxImage becomes the screen with
// the box rectangle's pixels pulled towards the box colour by the opacity,
// and that rectangle goes back onto the screen.
void TintMessageBox(Player& p, int opacity, int red, int green, int blue) {
  QImage& box = p.layers.box;
  box = p.layers.screen.convertToFormat(QImage::Format_RGB32);
  const GameState& s = p.state;
  QRect rect = QRect(s.boxLeft, s.boxTop, s.boxRight - s.boxLeft, s.boxBottom - s.boxTop)
                   .intersected(box.rect());
  if (rect.isEmpty()) return;
  auto mix = [opacity](int k, int v) { return ((k - v) * opacity + v * 256) / 256; };
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(box.scanLine(y));
    for (int x = rect.left(); x <= rect.right(); ++x) {
      QRgb c = row[x];
      row[x] = qRgb(mix(red, qRed(c)), mix(green, qGreen(c)), mix(blue, qBlue(c)));
    }
  }
  QPainter painter(&p.layers.screen);
  painter.drawImage(rect.topLeft(), box, rect);
}

bool TransitionsEnabled(Player& p) { return !p.PageMode() && !p.input.skipMode; }

}  // namespace mirt
