// One frame of the demo's busiest kind: ComposeScene and PresentFrame with
// a JPEG background and ten sprites (packed colour-key, JPEG and packed
// mask, BMP opaque), all read from the demo's graphics archive. The time
// of one iteration is the time of one frame.
//
//   ComposePresent/1   with the picture cache (what the player does)
//   ComposePresent/0   cache off: every picture read and decoded each frame
//   QPainterReference  the same frame from pictures decoded beforehand,
//                      drawn with QPainter::drawImage (key and mask turned
//                      into alpha), then the same PresentFrame
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QPainter>
#include <filesystem>

#include "graphics/Composition.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/Player.h"

namespace {

struct SlotSpec {
  const char* name;
  int x, y, mode;
};
const SlotSpec kSlots[10] = {{"portrait.bmp", 300, 110, 0}, {"girl.ccg", 20, 100, 1},
                             {"boy.jpg", 440, 90, 2},       {"ghost.ccg", 250, 150, 2},
                             {"girl.ccg", 180, 120, 1},     {"boy.jpg", 320, 60, 2},
                             {"portrait.bmp", 40, 20, 0},   {"ghost.ccg", 500, 250, 2},
                             {"girl.ccg", 520, 40, 1},      {"boy.jpg", -60, 200, 2}};

struct Game {
  mirt::HeadlessPlatform platform{true};
  mirt::Player p{platform};
  Game() {
    std::filesystem::current_path(MIRT_DEMO_DIR "/archived");
    p.script().scenario().defs().graphicsArchive = "graphic.dat";
    p.screen().layers().Create();
    p.state().Clear();
    p.state().boxLeft = 20;
    p.state().boxTop = 330;
    p.state().boxRight = 620;
    p.state().boxBottom = 470;
    p.state().boxOpacity = 160;
    p.state().boxColour[2] = 96;
    p.screen().layers().text.fill(qRgb(255, 0, 0));
    p.state().SetBackgroundName("room.jpg");
    mirt::LoadBackground(p.stage());
    for (int i = 0; i < 10; ++i) {
      p.state().SetCharName(i, kSlots[i].name);
      p.state().charX[i] = kSlots[i].x;
      p.state().charY[i] = kSlots[i].y;
      p.state().charMode[i] = uint8_t(kSlots[i].mode);
      p.state().charShown[i] = 1;
      p.state().charInScene[i] = 1;
    }
  }
};

void ComposePresent(benchmark::State& state) {
  Game g;
  g.p.screen().pictures().enabled = state.range(0) != 0;
  for (auto _ : state) {
    mirt::ComposeScene(g.p.stage(), false);
    mirt::PresentFrame(g.p.stage());
    benchmark::DoNotOptimize(g.p.screen().layers().screen.constBits());
  }
}

// The sprite as premultiplied ARGB: key pixels and masks become alpha.
QImage AlphaSprite(mirt::Player& p, const SlotSpec& s) {
  QImage pic;
  mirt::LoadGamePicture(p.stage(), s.name, pic);
  const int w = s.mode == 2 ? pic.width() / 2 : pic.width();
  QImage out(w, pic.height(), QImage::Format_ARGB32);
  const QRgb key = pic.pixel(0, 0) & 0xFFFFFF;
  for (int y = 0; y < pic.height(); ++y)
    for (int x = 0; x < w; ++x) {
      QRgb c = pic.pixel(x, y);
      int a = 255;
      if (s.mode == 1 && (c & 0xFFFFFF) == key) a = 0;
      if (s.mode == 2) a = 255 - qGray(pic.pixel(x + w, y));
      out.setPixel(x, y, qRgba(qRed(c), qGreen(c), qBlue(c), a));
    }
  return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void QPainterReference(benchmark::State& state) {
  Game g;
  QImage background;
  mirt::RowsToImage(g.p.screen().layers().background, background);
  std::vector<QImage> sprites;
  for (const SlotSpec& s : kSlots) sprites.push_back(AlphaSprite(g.p, s));
  for (auto _ : state) {
    QImage& scene = g.p.screen().layers().scene;
    scene = background.copy();
    QPainter painter(&scene);
    for (int i = 0; i < 10; ++i) painter.drawImage(kSlots[i].x, kSlots[i].y, sprites[i]);
    painter.end();
    mirt::PresentFrame(g.p.stage());
    benchmark::DoNotOptimize(g.p.screen().layers().screen.constBits());
  }
}

}  // namespace

BENCHMARK(ComposePresent)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(QPainterReference)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
