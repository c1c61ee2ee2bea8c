// The screen capture: Qt's bitmap writer gives our 24-bit layout byte for
// byte, and the file is written aside and renamed over the chosen name.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <random>

#include "GameFixture.h"
#include "PictureFixture.h"
#include "common/LittleEndian.h"
#include "graphics/BmpDecoder.h"

using mirt::EncodeBmp24;
using mirt::EncodeCaptureBmp;
using Strings = std::vector<std::string>;

namespace {

QImage Varied(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, rng() | 0xFF000000u);
  return img;
}

// Where two byte strings first differ, for a readable failure.
std::string FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    if (a[i] != b[i])
      return "byte " + std::to_string(i) + ": " + std::to_string(a[i]) + " vs " +
             std::to_string(b[i]);
  return a.size() == b.size()
             ? "none"
             : "sizes " + std::to_string(a.size()) + " vs " + std::to_string(b.size());
}

}  // namespace

TEST(ScreenCapture, QtsWriterGivesOurBytes) {
  QImage screen = Varied(640, 480, 1);
  const std::vector<uint8_t> ours = EncodeBmp24(screen);
  ASSERT_EQ(ours.size(), 921654u);
  EXPECT_EQ(EncodeCaptureBmp(screen), ours) << FirstDifference(EncodeCaptureBmp(screen), ours);
  // The layout itself: file size, pixel offset, a 40-byte header, 24 bits
  // uncompressed, 96 dpi, no colour table, and the bottom row first.
  EXPECT_EQ(ours[0], 'B');
  EXPECT_EQ(ours[1], 'M');
  EXPECT_EQ(mirt::ReadLe32(&ours[2]), 921654u);
  EXPECT_EQ(mirt::ReadLe32(&ours[10]), 54u);
  EXPECT_EQ(mirt::ReadLe32(&ours[14]), 40u);
  EXPECT_EQ(mirt::ReadLe32s(&ours[22]), 480);
  EXPECT_EQ(mirt::ReadLe16(&ours[28]), 24);
  EXPECT_EQ(mirt::ReadLe32(&ours[30]), 0u);
  EXPECT_EQ(mirt::ReadLe32(&ours[38]), 3780u);
  EXPECT_EQ(mirt::ReadLe32(&ours[46]), 0u);
  const QRgb bottomLeft = screen.pixel(0, 479);
  EXPECT_EQ(ours[54], qBlue(bottomLeft));
  EXPECT_EQ(ours[56], qRed(bottomLeft));

  // Qt writes the picture's own resolution: a screen of another density
  // (120 dpi) must still give 96 dpi, as ours does.
  screen.setDotsPerMeterX(4724);
  screen.setDotsPerMeterY(4724);
  EXPECT_EQ(EncodeCaptureBmp(screen), ours) << FirstDifference(EncodeCaptureBmp(screen), ours);
  // Other sizes, with row padding, and other formats come out the same too.
  for (const QImage& img : {Varied(3, 2, 2), Varied(641, 5, 3), Varied(1, 1, 4)})
    EXPECT_EQ(EncodeCaptureBmp(img), EncodeBmp24(img)) << img.width();
  const QImage argb = Varied(13, 7, 5).convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(EncodeCaptureBmp(argb), EncodeBmp24(argb));
  const QImage rgb888 = Varied(13, 7, 6).convertToFormat(QImage::Format_RGB888);
  EXPECT_EQ(EncodeCaptureBmp(rgb888), EncodeBmp24(rgb888));
  EXPECT_TRUE(EncodeCaptureBmp(QImage()).empty());
}

TEST(ScreenCapture, ReplacesTheChosenFileWholeOrLeavesIt) {
  mirt_test::GameDir g;
  const QImage bg = Varied(640, 480, 7);
  g.WriteBytes("bg.bmp", mirt_test::BmpFile(bg));
  g.Script("~LOADBG \"bg.bmp\",0,0\n\"a\"\\n\n\"b\"\\n\n");
  g.WriteBytes("shot.bmp", "an older capture");
  std::filesystem::create_directory(g.Path("folder.bmp"));
  EXPECT_EQ(g.Run("wait 500\nsavefile " + g.Path("shot.bmp") + "\nmenu N2\nsavefile " +
                  g.Path("missing/shot.bmp") + "\nmenu N2\nsavefile " + g.Path("folder.bmp") +
                  "\nmenu N2\n"),
            0);
  const std::string shot = g.Read("shot.bmp");
  ASSERT_EQ(shot.size(), 921654u);
  QImage got;
  ASSERT_TRUE(mirt::DecodeBmp(reinterpret_cast<const uint8_t*>(shot.data()), shot.size(), got));
  EXPECT_EQ(got.pixel(5, 5), bg.pixel(5, 5));
  EXPECT_EQ(got.pixel(639, 0), bg.pixel(639, 0));
  EXPECT_EQ(g.Messages(), (Strings{"保存完了しました。", "画面の保存に失敗しました。",
                                   "画面の保存に失敗しました。"}));
  EXPECT_TRUE(std::filesystem::is_directory(g.Path("folder.bmp")));
  for (const auto& e : std::filesystem::directory_iterator(g.Path("")))
    EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
}
