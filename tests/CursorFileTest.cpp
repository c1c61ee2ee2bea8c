// Cursor files from hand-made bytes: static cursors with their hotspot and
// mask, animated cursors with their frames and steps, malformed files; and
// SETCURSOR showing them over the window.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>

#include "GameFixture.h"
#include "common/LittleEndian.h"
#include "graphics/Cursor.h"
#include "graphics/CursorFile.h"
#include "platform/HostFiles.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/Player.h"

using namespace mirt_test;
using mirt::CursorFile;
using Bytes = std::vector<uint8_t>;

namespace {

void Le16(Bytes& b, uint32_t v) { mirt::AppendLe16(b, uint16_t(v)); }
void Le32(Bytes& b, uint32_t v) { mirt::AppendLe32(b, v); }

// A bitmap as cursor files hold it. value(x, y) is a palette index for 1,
// 4 and 8 bits, else the pixel (0xAARRGGBB); masked(x, y) sets the mask
// bit. Coordinates are top-down; the rows are written bottom row first.
Bytes Dib(int w, int h, int bits, const std::vector<uint32_t>& palette,
          const std::function<uint32_t(int, int)>& value,
          const std::function<bool(int, int)>& masked) {
  Bytes b;
  Le32(b, 40);
  Le32(b, uint32_t(w));
  Le32(b, uint32_t(2 * h));
  Le16(b, 1);
  Le16(b, uint32_t(bits));
  for (int i = 0; i < 4; ++i) Le32(b, 0);
  Le32(b, uint32_t(palette.size()));
  Le32(b, 0);
  for (uint32_t c : palette) Le32(b, c);
  const int stride = (w * bits + 31) / 32 * 4;
  for (int y = h - 1; y >= 0; --y) {
    Bytes row(size_t(stride), 0);
    for (int x = 0; x < w; ++x) {
      const uint32_t v = value(x, y);
      switch (bits) {
        case 1: row[size_t(x / 8)] |= uint8_t((v & 1) << (7 - x % 8)); break;
        case 4: row[size_t(x / 2)] |= uint8_t((v & 15) << (x % 2 ? 0 : 4)); break;
        case 8: row[size_t(x)] = uint8_t(v); break;
        case 24:
          for (int k = 0; k < 3; ++k) row[size_t(x * 3 + k)] = uint8_t(v >> (8 * k));
          break;
        default:
          for (int k = 0; k < 4; ++k) row[size_t(x * 4 + k)] = uint8_t(v >> (8 * k));
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  const int maskStride = (w + 31) / 32 * 4;
  for (int y = h - 1; y >= 0; --y) {
    Bytes row(size_t(maskStride), 0);
    for (int x = 0; x < w; ++x)
      if (masked(x, y)) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

struct Entry {
  int w, h, hotX, hotY;
  Bytes image;
};

// A directory of pictures; type 2 is a cursor, 1 an icon.
Bytes Directory(const std::vector<Entry>& entries, int type = 2) {
  Bytes b;
  Le16(b, 0);
  Le16(b, uint32_t(type));
  Le16(b, uint32_t(entries.size()));
  uint32_t offset = uint32_t(6 + 16 * entries.size());
  for (const Entry& e : entries) {
    b.push_back(uint8_t(e.w));
    b.push_back(uint8_t(e.h));
    b.push_back(0);
    b.push_back(0);
    Le16(b, uint32_t(e.hotX));
    Le16(b, uint32_t(e.hotY));
    Le32(b, uint32_t(e.image.size()));
    Le32(b, offset);
    offset += uint32_t(e.image.size());
  }
  for (const Entry& e : entries) b.insert(b.end(), e.image.begin(), e.image.end());
  return b;
}

// A 4 x 2 eight-bit cursor: top row red, green, blue, see-through; bottom
// row white, black (see-through), black, inverted white.
Bytes SmallCursor(int hotX, int hotY) {
  const std::vector<uint32_t> palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000};
  const uint32_t top[4] = {0, 1, 2, 4}, bottom[4] = {3, 4, 4, 3};
  return Directory(
      {{4, 2, hotX, hotY,
        Dib(
            4, 2, 8, palette, [&](int x, int y) { return y ? bottom[x] : top[x]; },
            [](int x, int y) { return (y == 0 && x == 3) || (y == 1 && x != 2 && x != 0); })}});
}

Bytes Chunk(const char* id, const Bytes& data) {
  Bytes b(id, id + 4);
  Le32(b, uint32_t(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  if (data.size() % 2) b.push_back(0);
  return b;
}

Bytes Words(std::initializer_list<uint32_t> v) {
  Bytes b;
  for (uint32_t w : v) Le32(b, w);
  return b;
}

// An animated cursor of the given frames, with optional rate and sequence.
Bytes Ani(const std::vector<Bytes>& frames, const Bytes& rate, const Bytes& seq,
          uint32_t displayRate = 6) {
  Bytes body = {'A', 'C', 'O', 'N'};
  const Bytes header =
      Words({36, uint32_t(frames.size()), uint32_t(frames.size()), 0, 0, 0, 0, displayRate, 1});
  for (const Bytes& c : {Chunk("anih", header)}) body.insert(body.end(), c.begin(), c.end());
  if (!rate.empty()) {
    const Bytes c = Chunk("rate", rate);
    body.insert(body.end(), c.begin(), c.end());
  }
  if (!seq.empty()) {
    const Bytes c = Chunk("seq ", seq);
    body.insert(body.end(), c.begin(), c.end());
  }
  Bytes list = {'f', 'r', 'a', 'm'};
  for (const Bytes& f : frames) {
    const Bytes c = Chunk("icon", f);
    list.insert(list.end(), c.begin(), c.end());
  }
  const Bytes l = Chunk("LIST", list);
  body.insert(body.end(), l.begin(), l.end());
  return Chunk("RIFF", body);
}

std::optional<CursorFile> Parse(const Bytes& b) {
  return mirt::ParseCursorFile(b.data(), b.size());
}

// A one-colour cursor w x h of 24 bits, nothing masked.
Bytes Plain(int w, int h, uint32_t rgb, int hotX = 0, int hotY = 0) {
  return Directory(
      {{w, h, hotX, hotY,
        Dib(
            w, h, 24, {}, [&](int, int) { return rgb; }, [](int, int) { return false; })}});
}

}  // namespace

TEST(CursorFile, AStaticCursorGivesItsPixelsTopDownWithMaskAndHotspot) {
  const auto c = Parse(SmallCursor(3, 1));
  ASSERT_TRUE(c);
  ASSERT_EQ(c->frames.size(), 1u);
  EXPECT_FALSE(c->animated());
  const mirt::CursorFrame& f = c->frames[0];
  EXPECT_EQ(f.width, 4);
  EXPECT_EQ(f.height, 2);
  EXPECT_EQ(f.hotX, 3);
  EXPECT_EQ(f.hotY, 1);
  EXPECT_EQ(f.argb, (std::vector<uint32_t>{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0u,  //
                                           0xFFFFFFFFu, 0u, 0xFF000000u, 0xFF000000u}));
}

TEST(CursorFile, BitDepthsAlphaAndTheChoiceAmongSizes) {
  // One bit: palette black and white.
  const auto mono = Parse(
      Directory({{9, 1, 0, 0,
                  Dib(
                      9, 1, 1, {0x000000, 0xFFFFFF}, [](int x, int) { return uint32_t(x % 2); },
                      [](int x, int) { return x == 8; })}}));
  ASSERT_TRUE(mono);
  EXPECT_EQ(mono->frames[0].argb[0], 0xFF000000u);
  EXPECT_EQ(mono->frames[0].argb[1], 0xFFFFFFFFu);
  EXPECT_EQ(mono->frames[0].argb[8], 0u);  // masked black: see-through
  // Four bits, second pixel of a byte in the low half.
  const auto four =
      Parse(Directory({{2, 1, 0, 0,
                        Dib(
                            2, 1, 4, {0x112233, 0x445566}, [](int x, int) { return uint32_t(x); },
                            [](int, int) { return false; })}}));
  ASSERT_TRUE(four);
  EXPECT_EQ(four->frames[0].argb, (std::vector<uint32_t>{0xFF112233u, 0xFF445566u}));
  // Thirty-two bits with alpha: the alpha counts, the mask does not.
  const auto alpha =
      Parse(Directory({{2, 1, 0, 0,
                        Dib(
                            2, 1, 32, {}, [](int x, int) { return x ? 0x80102030u : 0u; },
                            [](int, int) { return false; })}}));
  ASSERT_TRUE(alpha);
  EXPECT_EQ(alpha->frames[0].argb, (std::vector<uint32_t>{0u, 0x80102030u}));
  // Of 16, 32 and 48 pixels the 32 is taken, wherever it stands.
  const Bytes sizes = Directory(
      {{16, 16, 1, 1, Plain(16, 16, 0x111111)},
       {32, 32, 5, 6,
        Dib(
            32, 32, 24, {}, [](int, int) { return 0x222222u; }, [](int, int) { return false; })},
       {48, 48, 2, 2,
        Dib(
            48, 48, 24, {}, [](int, int) { return 0x333333u; }, [](int, int) { return false; })}});
  const auto chosen = Parse(sizes);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->frames[0].width, 32);
  EXPECT_EQ(chosen->frames[0].hotX, 5);
  EXPECT_EQ(chosen->frames[0].hotY, 6);
  EXPECT_EQ(chosen->frames[0].argb[0], 0xFF222222u);
  // An icon file has no hotspot: the top-left corner.
  const Bytes icon = Directory(
      {{4, 2, 3, 1,
        Dib(
            4, 2, 24, {}, [](int, int) { return 0x445566u; }, [](int, int) { return false; })}},
      1);
  const auto i = Parse(icon);
  ASSERT_TRUE(i);
  EXPECT_EQ(i->frames[0].hotX, 0);
  EXPECT_EQ(i->frames[0].hotY, 0);
}

TEST(CursorFile, AnAnimatedCursorKeepsItsFramesAndStepsInSequence) {
  const Bytes red = Plain(2, 2, 0xFF0000, 1, 0), blue = Plain(2, 2, 0x0000FF, 0, 1);
  const auto c = Parse(Ani({red, blue}, Words({6, 12, 3}), Words({1, 0, 1})));
  ASSERT_TRUE(c);
  ASSERT_EQ(c->frames.size(), 2u);
  EXPECT_TRUE(c->animated());
  EXPECT_EQ(c->frames[0].argb[0], 0xFFFF0000u);
  EXPECT_EQ(c->frames[0].hotX, 1);
  EXPECT_EQ(c->frames[1].hotY, 1);
  ASSERT_EQ(c->steps.size(), 3u);
  EXPECT_EQ(c->steps[0].frame, 1u);
  EXPECT_EQ(c->steps[0].ms, 100u);  // 6 sixtieths of a second
  EXPECT_EQ(c->steps[1].frame, 0u);
  EXPECT_EQ(c->steps[1].ms, 200u);
  EXPECT_EQ(c->steps[2].ms, 50u);
  // Without rates the header's rate, without a sequence the frames in order.
  const auto plain = Parse(Ani({red, blue}, {}, {}, 30));
  ASSERT_TRUE(plain);
  ASSERT_EQ(plain->steps.size(), 2u);
  EXPECT_EQ(plain->steps[0].frame, 0u);
  EXPECT_EQ(plain->steps[1].ms, 500u);
  // A sequence naming a frame that is not there, or one that does not
  // parse, skips that step; the good frames stay.
  const auto holes = Parse(Ani({red, Bytes{1, 2, 3}, blue}, {}, Words({7, 1, 2, 0})));
  ASSERT_TRUE(holes);
  ASSERT_EQ(holes->frames.size(), 2u);
  ASSERT_EQ(holes->steps.size(), 2u);
  EXPECT_EQ(holes->frames[holes->steps[0].frame].argb[0], 0xFF0000FFu);
  EXPECT_EQ(holes->frames[holes->steps[1].frame].argb[0], 0xFFFF0000u);
}

TEST(CursorFile, MalformedFilesGiveNoCursor) {
  const Bytes good = SmallCursor(0, 0);
  // Every shortened copy: the directory's picture no longer fits.
  for (size_t n = 0; n < good.size(); ++n)
    EXPECT_FALSE(Parse(Bytes(good.begin(), good.begin() + long(n)))) << n;
  auto patched = [&](size_t at, std::initializer_list<uint8_t> bytes) {
    Bytes b = good;
    std::copy(bytes.begin(), bytes.end(), b.begin() + long(at));
    return b;
  };
  const size_t dib = 6 + 16;
  EXPECT_FALSE(Parse(patched(0, {1})));                             // reserved word not zero
  EXPECT_FALSE(Parse(patched(2, {3})));                             // neither icon nor cursor
  EXPECT_FALSE(Parse(patched(4, {0})));                             // no pictures
  EXPECT_FALSE(Parse(patched(4, {0xFF, 0xFF})));                    // more pictures than bytes
  EXPECT_FALSE(Parse(patched(6 + 12, {0xFF, 0xFF, 0xFF, 0x7F})));   // picture past the end
  EXPECT_FALSE(Parse(patched(6 + 8, {0xFF, 0xFF, 0xFF, 0xFF})));    // size past the end
  EXPECT_FALSE(Parse(patched(dib, {39})));                          // header too small
  EXPECT_FALSE(Parse(patched(dib, {0xFF, 0xFF, 0, 0})));            // header past the picture
  EXPECT_FALSE(Parse(patched(dib + 4, {0, 0, 0, 0})));              // no width
  EXPECT_FALSE(Parse(patched(dib + 4, {0x01, 0x01, 0, 0})));        // 257 wide
  EXPECT_FALSE(Parse(patched(dib + 4, {0xFC, 0xFF, 0xFF, 0xFF})));  // negative width
  EXPECT_FALSE(Parse(patched(dib + 8, {1, 0, 0, 0})));              // no rows
  EXPECT_FALSE(Parse(patched(dib + 8, {0xFC, 0xFF, 0xFF, 0xFF})));  // top-down
  EXPECT_FALSE(Parse(patched(dib + 14, {7})));                      // no such depth
  EXPECT_FALSE(Parse(patched(dib + 16, {1})));                      // compressed
  EXPECT_FALSE(Parse(patched(dib + 32, {1, 1})));  // a palette larger than the depth allows
  EXPECT_FALSE(Parse(patched(dib + 32, {100})));   // a palette past the picture
  // Animated: truncated, a chunk past the end, no header, no frame.
  const Bytes ani = Ani({good}, {}, {});
  for (size_t n = 0; n < ani.size(); n += 7)
    EXPECT_FALSE(Parse(Bytes(ani.begin(), ani.begin() + long(n)))) << n;
  Bytes longChunk = ani;
  mirt::WriteLe32(longChunk.data() + 16, 0x7FFFFFF0u);
  EXPECT_FALSE(Parse(longChunk));
  Bytes noHeader = ani;
  std::copy_n("xxxx", 4, noHeader.begin() + 12);
  EXPECT_FALSE(Parse(noHeader));
  EXPECT_FALSE(Parse(Ani({Bytes{0, 0, 2, 0}}, {}, {})));
  EXPECT_FALSE(Parse(Bytes{'R', 'I', 'F', 'F'}));
}

namespace {

// SETCURSOR in a game, the dump after it.
QJsonObject CursorAfter(GameDir& g, const std::string& script, const std::string& actions = "") {
  g.Script(script + "\"x\"\\n\n\"y\"\\n\n");
  return At(g.RunAndDump(actions), "cursor").toObject();
}

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

}  // namespace

TEST(Cursor, SetCursorShowsTheFileAndAMalformedOneLeavesTheArrow) {
  {
    GameDir g;
    g.WriteBytes("hand.cur", Text(SmallCursor(3, 1)));
    EXPECT_TRUE(
        Holds(CursorAfter(g, "~SETCURSOR \"hand.cur\"\n"),
              R"({"file":"hand.cur","custom":1,"shown":true,"size":[4,2],"hotspot":[3,1]})"));
  }
  {  // an animated cursor starts with its first step's frame
    GameDir g;
    const Bytes ani = Ani({Plain(2, 2, 0xFF0000), Plain(3, 3, 0x0000FF, 2, 1)}, {}, Words({1, 0}));
    g.WriteBytes("busy.ani", Text(ani));
    g.Script("~SETCURSOR \"busy.ani\"\n\"x\"\\n\n");
    mirt::HeadlessPlatform platform(true);
    const GameFolderScope inFolder(g.Path(""));
    {
      mirt::Player player(platform);
      platform.setEventHandler(&player);
      player.FormCreate();
      player.timer2Timer();
      player.FormDestroy();
    }
    ASSERT_FALSE(platform.cursorImage.isNull());
    EXPECT_EQ(platform.cursorImage.size(), QSize(3, 3));
    EXPECT_EQ(platform.cursorImage.pixel(1, 1), 0xFF0000FFu);
    EXPECT_EQ(platform.cursorHotX, 2);
    EXPECT_EQ(platform.cursorHotY, 1);
    EXPECT_EQ(platform.cursorStepMs, (std::vector<uint32_t>{100, 100}));  // and turns
  }
  {  // a frame stored as PNG
    GameDir g;
    QImage png(5, 4, QImage::Format_ARGB32);
    png.fill(0xFF00FF00u);
    const std::string bytes = mirt_test::PngFile(png);
    g.WriteBytes("png.cur", Text(Directory({{5, 4, 4, 3, Bytes(bytes.begin(), bytes.end())}})));
    EXPECT_TRUE(Holds(CursorAfter(g, "~SETCURSOR \"png.cur\"\n"),
                      R"({"shown":true,"size":[5,4],"hotspot":[4,3]})"));
  }
  for (const std::string& bad :
       {std::string("not a cursor"), Text(Bytes{0, 0, 2, 0, 1, 0}), std::string()}) {
    GameDir g;
    g.WriteBytes("hand.cur", Text(SmallCursor(1, 1)));
    g.WriteBytes("bad.cur", bad);
    // The good cursor first: the bad one after it gives the arrow back.
    EXPECT_TRUE(Holds(CursorAfter(g, "~SETCURSOR \"hand.cur\"\n~SETCURSOR \"bad.cur\"\n"),
                      R"({"file":"bad.cur","shown":false})"));
  }
  {
    GameDir g;
    EXPECT_TRUE(Holds(CursorAfter(g, "~SETCURSOR \"missing.cur\"\n"), R"({"shown":false})"));
  }
}

TEST(Cursor, ALongNameIsRefusedAndTheCursorOutlivesReturnToTheTitle) {
  {  // 39 bytes fit the field; 40 do not and are not taken at all
    GameDir g;
    const std::string fits = std::string(35, 'a') + ".cur", over = std::string(36, 'b') + ".cur";
    g.WriteBytes(fits, Text(SmallCursor(0, 0)));
    g.WriteBytes(over, Text(SmallCursor(0, 0)));
    EXPECT_TRUE(Holds(CursorAfter(g, "~SETCURSOR \"" + fits + "\"\n"),
                      "{\"file\":\"" + fits + "\",\"custom\":1,\"shown\":true}"));
    GameDir h;
    h.WriteBytes(over, Text(SmallCursor(0, 0)));
    EXPECT_TRUE(Holds(CursorAfter(h, "~SETCURSOR \"" + over + "\"\n"),
                      R"({"file":"","custom":0,"shown":false})"));
  }
  {  // the title resets the state but the window keeps its cursor
    GameDir g;
    g.WriteBytes("hand.cur", Text(SmallCursor(2, 0)));
    EXPECT_TRUE(Holds(CursorAfter(g, "\"first\"\\n\n~SETCURSOR \"hand.cur\"\n", "click\nmenu N1\n"),
                      R"({"file":"","custom":0,"shown":true,"hotspot":[2,0]})"));
  }
}

TEST(Cursor, ARestoredStateShowsItsCursorOnlyWhenItsFlagSaysSo) {
  GameDir g;
  g.WriteBytes("hand.cur", Text(SmallCursor(3, 0)));
  mirt::HeadlessPlatform platform(true);
  const GameFolderScope inFolder(g.Path(""));
  {
    mirt::Player player(platform);
    mirt::CopyField(player.state().cursorName, sizeof player.state().cursorName, "hand.cur");
    player.state().customCursor = 0;
    mirt::ApplyCursor(player.stage());
    EXPECT_TRUE(platform.cursorImage.isNull());
    player.state().customCursor = 1;
    mirt::ApplyCursor(player.stage());
    EXPECT_EQ(platform.cursorImage.size(), QSize(4, 2));
    EXPECT_EQ(platform.cursorHotX, 3);
  }
}
