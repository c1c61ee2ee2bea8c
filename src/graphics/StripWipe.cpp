#include "graphics/StripWipe.h"

#include <QPainter>
#include <algorithm>

#include "common/Encoding.h"
#include "common/ScreenSize.h"
#include "graphics/Screen.h"
#include "graphics/Stage.h"
#include "platform/Platform.h"
#include "script/Arguments.h"
#include "script/GameState.h"
#include "script/Scenario.h"
#include "script/StoryHost.h"
#include "script/StringTok.h"

namespace mirt {

void StripWipe(Stage& p, const QImage& source) {
  QImage& screen = p.screen().layers().screen;
  if (screen.isNull() || source.isNull()) return;
  constexpr int kBand = 15;
  for (int b = 0; b < kScreenHeight; b += kBand) {
    {
      QPainter painter(&screen);
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      for (int s = 0; s < kBand && b + kBand * s < kScreenHeight; ++s) {
        const int top = b + kBand * s;
        const int rows = std::min(kBand - s, kScreenHeight - top);
        const QRect band(0, top, kScreenWidth, rows);
        painter.drawImage(band.topLeft(), source, band);
      }
    }
    p.screen().Repaint();
  }
}

QImage FadeColourPicture(int32_t colour) {
  QImage img(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
  img.fill(qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
  return img;
}

}  // namespace mirt
