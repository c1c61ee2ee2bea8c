// Composition of the scene and the frame on a player built directly:
// sprite modes and clipping, slot order, the box tint, the text layer,
// background placement and the picture cache.
#include <gtest/gtest.h>

#include <filesystem>

#include "GameFixture.h"
#include "PictureFixture.h"
#include "graphics/Composition.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/Player.h"

using namespace mirt_test;
using mirt::Player;

namespace {

// A player over a fresh game folder, its layers made, the state cleared.
struct Scene {
  GameDir dir;
  mirt::HeadlessPlatform platform{true};
  Player p{platform};
  Scene() {
    std::filesystem::current_path(dir.Path(""));
    p.screen().layers().Create();
    p.state().Clear();
  }
  void Picture(const std::string& name, const QImage& img) { dir.WriteBytes(name, BmpFile(img)); }
  void Slot(int i, const std::string& name, int x, int y, int mode = 0) {
    p.state().SetCharName(i, name);
    p.state().charX[i] = x;
    p.state().charY[i] = y;
    p.state().charMode[i] = uint8_t(mode);
    p.state().charShown[i] = 1;
    p.state().charInScene[i] = 1;
  }
  void FillBackground(uint8_t b, uint8_t g, uint8_t r) {
    for (size_t i = 0; i < p.screen().layers().background.size(); i += 3) {
      p.screen().layers().background[i] = b;
      p.screen().layers().background[i + 1] = g;
      p.screen().layers().background[i + 2] = r;
    }
  }
  // The message box: its rectangle, opacity and colour.
  void Box(int left, int top, int right, int bottom, int opacity, int red, int green, int blue) {
    p.state().boxLeft = left;
    p.state().boxTop = top;
    p.state().boxRight = right;
    p.state().boxBottom = bottom;
    p.state().boxOpacity = uint8_t(opacity);
    p.state().boxColour[0] = uint8_t(red);
    p.state().boxColour[1] = uint8_t(green);
    p.state().boxColour[2] = uint8_t(blue);
  }
  // Names the background and loads it.
  void Background(const std::string& name) {
    p.state().SetBackgroundName(name);
    mirt::LoadBackground(p.stage());
  }
  QRgb At(int x, int y) const { return Rgb(p.screen().layers().scene, x, y); }
};

// Column c and row r of a sprite are coded into its colour.
QImage Coded(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, (x >> 8) * 16 + 1));
  return img;
}

}  // namespace

TEST(Composition, MaskBlendIsExactPerChannel) {
  Scene s;
  s.FillBackground(200, 10, 128);  // blue 200, green 10, red 128
  // Left half the image, right half the mask; each channel its own mask.
  const int masks[] = {0, 1, 100, 128, 254, 255};
  QImage pic(12, 1, QImage::Format_RGB32);
  for (int i = 0; i < 6; ++i) {
    pic.setPixel(i, 0, qRgb(3, 250, 10));                            // image: r, g, b
    pic.setPixel(6 + i, 0, qRgb(masks[i], masks[5 - i], masks[i]));  // mask
  }
  s.Picture("m.bmp", pic);
  s.Slot(0, "m.bmp", 100, 50, 2);
  mirt::ComposeScene(s.p.stage(), false);
  auto blend = [](int d, int c, int m) {  // d + floor((255 - m) (c - d) / 256)
    int num = (255 - m) * (c - d);
    int q = num / 256;
    if (num % 256 != 0 && num < 0) --q;
    return d + q;
  };
  for (int i = 0; i < 6; ++i) {
    QRgb v = s.At(100 + i, 50);
    EXPECT_EQ(qRed(v), blend(128, 3, masks[i])) << i;
    EXPECT_EQ(qGreen(v), blend(10, 250, masks[5 - i])) << i;
    EXPECT_EQ(qBlue(v), blend(200, 10, masks[i])) << i;
  }
  // a black mask gives nearly the image, a white one the background;
  // the floor of a negative step differs from truncation
  EXPECT_EQ(qBlue(s.At(100, 50)), 10);  // 200 + floor(255 * -190 / 256) = 200 - 190
  EXPECT_EQ(qRed(s.At(105, 50)), 128);
  EXPECT_EQ(qBlue(s.At(102, 50)), 84);  // 200 + floor(155 * -190 / 256) = 200 - 116
  EXPECT_EQ(s.At(106, 50), qRgb(128, 10, 200) & 0xFFFFFF);  // the mask is not drawn
  // an odd width drops the last column: the mask starts at the integer half
  QImage odd(5, 1, QImage::Format_RGB32);
  odd.fill(qRgb(0, 0, 0));
  odd.setPixel(0, 0, qRgb(255, 255, 255));
  odd.setPixel(1, 0, qRgb(255, 255, 255));
  odd.setPixel(2, 0, qRgb(0, 0, 0));        // mask of column 0: black -> image
  odd.setPixel(3, 0, qRgb(255, 255, 255));  // mask of column 1: white -> background
  s.Picture("odd.bmp", odd);
  s.Slot(1, "odd.bmp", 0, 0, 2);
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(qRed(s.At(0, 0)), 128 + ((255 * 127) >> 8));
  EXPECT_EQ(s.At(1, 0), qRgb(128, 10, 200) & 0xFFFFFF);
  EXPECT_EQ(s.At(2, 0), qRgb(128, 10, 200) & 0xFFFFFF);
}

TEST(Composition, SpritesAreCutAtEveryEdge) {
  Scene s;
  s.Picture("c.bmp", Coded(300, 200));
  s.Slot(0, "c.bmp", -100, 400);  // left and bottom edges
  s.Slot(1, "c.bmp", 500, 10);    // right edge
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(s.At(0, 400), Rgb(Coded(300, 200), 100, 0));
  EXPECT_EQ(s.At(199, 479), Rgb(Coded(300, 200), 299, 79));
  EXPECT_EQ(s.At(200, 450), 0u);
  EXPECT_EQ(s.At(639, 10), Rgb(Coded(300, 200), 139, 0));
  EXPECT_EQ(s.At(500, 209), Rgb(Coded(300, 200), 0, 199));
  EXPECT_EQ(s.At(500, 210), 0u);
  EXPECT_EQ(s.At(499, 10), 0u);
  // wholly outside, or at positions far off, nothing is drawn and nothing breaks
  s.Slot(2, "c.bmp", 640, 0);
  s.Slot(3, "c.bmp", -300, 0);
  s.Slot(4, "c.bmp", 0, 480);
  s.Slot(5, "c.bmp", INT32_MAX, INT32_MAX);
  s.Slot(6, "c.bmp", INT32_MIN, -150);  // a stored negative row is cut too
  s.Slot(7, "c.bmp", 0, -150);
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(s.At(0, 0), Rgb(Coded(300, 200), 0, 150));
  EXPECT_EQ(s.At(0, 50), 0u);
  EXPECT_EQ(s.At(639, 10), Rgb(Coded(300, 200), 139, 0));
}

TEST(Composition, ColourKeyIsTheTopLeftPixelAndSlotsStackInOrder) {
  Scene s;
  s.FillBackground(1, 2, 3);
  QImage key = Solid(40, 40, qRgb(255, 0, 255));
  for (int y = 10; y < 30; ++y)
    for (int x = 10; x < 30; ++x) key.setPixel(x, y, qRgb(0, 200, 0));
  key.setPixel(39, 39, qRgb(255, 0, 254));  // near the key is not the key
  s.Picture("key.bmp", key);
  s.Picture("blue.bmp", Solid(40, 40, qRgb(0, 0, 255)));
  s.Slot(5, "key.bmp", 100, 100, 1);
  s.Slot(2, "blue.bmp", 120, 120, 0);  // under slot 5
  s.Slot(8, "key.bmp", 300, 300, 0);   // opaque: the key colour is drawn
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(s.At(100, 100), qRgb(3, 2, 1) & 0xFFFFFF);
  EXPECT_EQ(s.At(115, 115), qRgb(0, 200, 0) & 0xFFFFFF);
  EXPECT_EQ(s.At(125, 125), qRgb(0, 200, 0) & 0xFFFFFF);  // slot 5 covers slot 2
  EXPECT_EQ(s.At(135, 135), qRgb(0, 0, 255) & 0xFFFFFF);  // slot 2 through the key
  EXPECT_EQ(s.At(139, 139), qRgb(255, 0, 254) & 0xFFFFFF);
  EXPECT_EQ(s.At(300, 300), qRgb(255, 0, 255) & 0xFFFFFF);
  for (int y = 100; y < 140; ++y)
    for (int x = 100; x < 140; ++x) ASSERT_NE(s.At(x, y), qRgb(255, 0, 255) & 0xFFFFFF);
}

TEST(Composition, InSceneAndShowWhileHiddenChooseTheSlots) {
  Scene s;
  s.Picture("r.bmp", Solid(10, 10, qRgb(255, 0, 0)));
  s.Picture("g.bmp", Solid(10, 10, qRgb(0, 255, 0)));
  s.Slot(0, "r.bmp", 0, 0);
  s.Slot(1, "g.bmp", 20, 0);
  s.Slot(2, "missing.bmp", 40, 0);  // cannot be loaded: nothing drawn
  s.p.state().charInScene[1] = 0;
  s.p.state().charShowWhileHidden[1] = 1;
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(s.At(0, 0), qRgb(255, 0, 0) & 0xFFFFFF);
  EXPECT_EQ(s.At(20, 0), 0u);
  EXPECT_EQ(s.At(40, 0), 0u);
  QImage scene = s.p.screen().layers().scene.copy(), screen = s.p.screen().layers().screen.copy();
  mirt::ShowSceneWithoutBox(s.p.stage());
  const QImage& window = s.platform.window();
  EXPECT_EQ(Rgb(window, 0, 0), 0u);  // slot 0 is not show-while-hidden
  EXPECT_EQ(Rgb(window, 20, 0), qRgb(0, 255, 0) & 0xFFFFFF);
  EXPECT_EQ(s.p.screen().layers().scene, scene);
  EXPECT_EQ(s.p.screen().layers().screen, screen);
  s.p.state().charShown[1] = 0;  // not shown: never drawn
  mirt::ShowSceneWithoutBox(s.p.stage());
  EXPECT_EQ(Rgb(s.platform.window(), 20, 0), 0u);
}

TEST(Composition, BackgroundBufferLayoutAndPlacement) {
  Scene s;
  QImage bg = Coded(640, 480);
  s.Picture("bg.bmp", bg);
  s.Background("BG.BMP");  // any letter case
  const auto& b = s.p.screen().layers().background;
  ASSERT_EQ(b.size(), 921600u);
  // bottom row first, blue green red
  EXPECT_EQ(b[0], qBlue(bg.pixel(0, 479)));
  EXPECT_EQ(b[1], qGreen(bg.pixel(0, 479)));
  EXPECT_EQ(b[2], qRed(bg.pixel(0, 479)));
  EXPECT_EQ(b[479 * 1920 + 3 * 300 + 0], qBlue(bg.pixel(300, 0)));
  EXPECT_EQ(b[479 * 1920 + 3 * 300 + 2], qRed(bg.pixel(300, 0)));
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(s.p.screen().layers().scene.convertToFormat(QImage::Format_RGB32), bg);
  // smaller: top-left, black elsewhere; larger: cut at the edges
  s.Picture("small.bmp", Coded(100, 50));
  s.Background("small.bmp");
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(s.At(99, 49), Rgb(Coded(100, 50), 99, 49));
  EXPECT_EQ(s.At(100, 0), 0u);
  EXPECT_EQ(s.At(0, 50), 0u);
  s.Picture("big.bmp", Coded(700, 500));
  s.Background("big.bmp");
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(s.At(639, 479), Rgb(Coded(700, 500), 639, 479));
  // missing, or a file of no picture kind: black
  s.dir.WriteBytes("notes.gif", "GIF89a");
  for (const char* name : {"none.bmp", "notes.gif"}) {
    s.Background(name);
    EXPECT_EQ(std::count(b.begin(), b.end(), 0), 921600) << name;
  }
}

TEST(Composition, TintAndTextMakeTheFrame) {
  Scene s;
  s.FillBackground(40, 80, 120);
  mirt::ComposeScene(s.p.stage(), false);
  s.Box(10, 300, 630, 470, 160, 0, 0, 255);
  s.p.screen().layers().text.fill(qRgb(255, 0, 0));
  s.p.screen().layers().text.setPixel(20, 310, qRgb(255, 255, 255));
  s.p.screen().layers().text.setPixel(21, 310, qRgb(255, 0, 0));  // the ground: not drawn
  mirt::PresentFrame(s.p.stage());
  auto mix = [](int k, int v, int a) { return ((k - v) * a + v * 256) / 256; };
  const QImage& screen = s.p.screen().layers().screen;
  EXPECT_EQ(Rgb(screen, 10, 300),
            qRgb(mix(0, 120, 160), mix(0, 80, 160), mix(255, 40, 160)) & 0xFFFFFF);
  EXPECT_EQ(Rgb(screen, 629, 469), Rgb(screen, 10, 300));
  EXPECT_EQ(Rgb(screen, 630, 300), qRgb(120, 80, 40) & 0xFFFFFF);
  EXPECT_EQ(Rgb(screen, 10, 470), qRgb(120, 80, 40) & 0xFFFFFF);
  EXPECT_EQ(Rgb(screen, 20, 310), qRgb(255, 255, 255) & 0xFFFFFF);
  const QRgb tinted = Rgb(screen, 10, 300);
  EXPECT_EQ(Rgb(screen, 21, 310), tinted);
  EXPECT_EQ(Rgb(s.platform.window(), 20, 310), qRgb(255, 255, 255) & 0xFFFFFF);
  // the key is the bottom-left pixel: text covering it takes its colour as key
  s.p.screen().layers().text.setPixel(0, 479, qRgb(255, 255, 255));
  mirt::PresentFrame(s.p.stage());
  EXPECT_EQ(Rgb(screen, 20, 310), tinted);
  EXPECT_EQ(Rgb(screen, 21, 310), qRgb(255, 0, 0) & 0xFFFFFF);
  // opacity 0 leaves the scene, 255 gives nearly the colour
  s.p.state().boxOpacity = 0;
  s.p.screen().layers().text.fill(qRgb(255, 0, 0));
  mirt::PresentFrame(s.p.stage());
  EXPECT_EQ(Rgb(screen, 100, 400), qRgb(120, 80, 40) & 0xFFFFFF);
  s.p.state().boxOpacity = 255;
  mirt::PresentFrame(s.p.stage());
  EXPECT_EQ(Rgb(screen, 100, 400), qRgb(0, 0, 254) & 0xFFFFFF);
}

TEST(Composition, RestoringTheBoxAreaShowsTheOldSceneOnTheWindow) {
  Scene s;
  s.FillBackground(0, 0, 90);
  mirt::ComposeScene(s.p.stage(), false);
  s.Box(0, 400, 640, 480, 255, 0, 255, 0);
  mirt::PresentFrame(s.p.stage());
  EXPECT_EQ(Rgb(s.platform.window(), 5, 450), qRgb(0, 254, 0) & 0xFFFFFF);
  s.FillBackground(0, 0, 10);
  mirt::ComposeScene(s.p.stage(), true);
  EXPECT_EQ(Rgb(s.platform.window(), 5, 450), qRgb(90, 0, 0) & 0xFFFFFF);  // old scene, no box
  EXPECT_EQ(Rgb(s.p.screen().layers().scene, 5, 450), qRgb(10, 0, 0) & 0xFFFFFF);
}

TEST(Composition, BoxSidesFarOffTheScreenAreCutThere) {
  Scene s;
  s.FillBackground(0, 0, 90);
  mirt::ComposeScene(s.p.stage(), false);
  const QRgb scene = qRgb(90, 0, 0) & 0xFFFFFF, box = qRgb(0, 254, 0) & 0xFFFFFF;
  // sides at the ends of the int range: the box reaches every edge below row 400
  s.Box(INT32_MIN, 400, INT32_MAX, INT32_MAX, 255, 0, 255, 0);
  mirt::PresentFrame(s.p.stage());
  EXPECT_EQ(Rgb(s.p.screen().layers().screen, 0, 400), box);
  EXPECT_EQ(Rgb(s.p.screen().layers().screen, 639, 479), box);
  EXPECT_EQ(Rgb(s.p.screen().layers().screen, 0, 399), scene);
  // restoring the box area takes the same rectangle off the window
  s.FillBackground(0, 0, 10);
  mirt::ComposeScene(s.p.stage(), true);
  EXPECT_EQ(Rgb(s.platform.window(), 0, 400), scene);
  EXPECT_EQ(Rgb(s.platform.window(), 639, 479), scene);
  // a box whose sides are the wrong way round, or wholly off the screen, is empty
  for (const QRect& r :
       {QRect(QPoint(600, 400), QPoint(100, 300)), QRect(QPoint(INT32_MIN, 0), QPoint(-1, 480))}) {
    s.Box(r.left(), r.top(), r.right(), r.bottom(), 255, 0, 255, 0);
    mirt::PresentFrame(s.p.stage());
    EXPECT_EQ(Rgb(s.p.screen().layers().screen, 300, 350), qRgb(10, 0, 0) & 0xFFFFFF);
    EXPECT_EQ(Rgb(s.p.screen().layers().screen, 0, 0), qRgb(10, 0, 0) & 0xFFFFFF);
  }
}

TEST(Composition, ChangedPicturesAreSeenAtTheNextComposition) {
  Scene s;
  s.Picture("c.bmp", Solid(8, 8, qRgb(255, 0, 0)));
  s.Slot(0, "c.bmp", 0, 0);
  mirt::ComposeScene(s.p.stage(), false);
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(s.p.screen().pictures().hits, 1u);
  EXPECT_EQ(s.At(0, 0), qRgb(255, 0, 0) & 0xFFFFFF);
  // the same size, only the modification time tells
  namespace fs = std::filesystem;
  const auto before = fs::last_write_time(s.dir.Path("c.bmp"));
  s.Picture("c.bmp", Solid(8, 8, qRgb(0, 0, 255)));
  fs::last_write_time(s.dir.Path("c.bmp"), before + std::chrono::nanoseconds(1));
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(s.At(0, 0), qRgb(0, 0, 255) & 0xFFFFFF);
  // rewritten in place with its modification time set back, as copies that
  // keep times do
  const auto kept = fs::last_write_time(s.dir.Path("c.bmp"));
  s.Picture("c.bmp", Solid(8, 8, qRgb(0, 128, 255)));
  fs::last_write_time(s.dir.Path("c.bmp"), kept);
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(s.At(0, 0), qRgb(0, 128, 255) & 0xFFFFFF);
  // a graphics archive that appears, then changes, wins over the file
  s.p.script().scenario().defs().graphicsArchive = "gfx.dat";
  s.dir.WriteBytes("gfx.dat", ArchiveFile({{"C.BMP", PackedFile(Solid(8, 8, qRgb(0, 255, 0)))}}));
  mirt::ComposeScene(s.p.stage(), false);
  // a packed picture under a BMP name does not decode: the plain file is used
  EXPECT_EQ(s.At(0, 0), qRgb(0, 128, 255) & 0xFFFFFF);
  s.dir.WriteBytes("gfx.dat", ArchiveFile({{"c.ccg", PackedFile(Solid(8, 8, qRgb(0, 255, 0)))},
                                           {"c.bmp", BmpFile(Solid(8, 8, qRgb(9, 9, 9)))}}));
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(s.At(0, 0), qRgb(9, 9, 9) & 0xFFFFFF);
  s.p.state().SetCharName(0, "C.CCG");
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(s.At(0, 0), qRgb(0, 255, 0) & 0xFFFFFF);
  // entries without pixels (missing names) are bounded as well; the
  // pictures in use are found again
  QImage none;
  for (int i = 0; i < 1000; ++i)
    EXPECT_FALSE(mirt::LoadGamePicture(s.p.stage(), "none" + std::to_string(i) + ".bmp", none));
  EXPECT_LE(s.p.screen().pictures().size(), s.p.screen().pictures().entryLimit);
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(s.At(0, 0), qRgb(0, 255, 0) & 0xFFFFFF);
  // without the cache the same pictures come out
  s.p.screen().pictures().enabled = false;
  mirt::ComposeScene(s.p.stage(), false);
  EXPECT_EQ(s.At(0, 0), qRgb(0, 255, 0) & 0xFFFFFF);
}
