#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "common/LittleEndian.h"
#include "graphics/BmpDecoder.h"
#include "graphics/JpegDecoder.h"
#include "graphics/PackedPicture.h"

using namespace mirt;

namespace {

// A BMP with a 40-byte header; extra (masks, palette) follows the header.
std::vector<uint8_t> Bmp(int w, int h, int bpp, uint32_t comp, const std::vector<uint8_t>& extra,
                         const std::vector<uint8_t>& rows, uint32_t clrUsed = 0) {
  std::vector<uint8_t> f(54);
  f[0] = 'B';
  f[1] = 'M';
  WriteLe32(f.data() + 10, uint32_t(54 + extra.size()));
  WriteLe32(f.data() + 14, 40);
  WriteLe32(f.data() + 18, uint32_t(w));
  WriteLe32(f.data() + 22, uint32_t(h));
  WriteLe16(f.data() + 26, 1);
  WriteLe16(f.data() + 28, uint32_t(bpp));
  WriteLe32(f.data() + 30, comp);
  WriteLe32(f.data() + 46, clrUsed);
  f.insert(f.end(), extra.begin(), extra.end());
  f.insert(f.end(), rows.begin(), rows.end());
  WriteLe32(f.data() + 2, uint32_t(f.size()));
  return f;
}

const std::vector<uint8_t> kPal = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};  // red green blue
QRgb Px(const QImage& i, int x, int y) { return i.pixel(x, y) & 0xFFFFFF; }

}  // namespace

TEST(PictureBmp, IndexedAndDirectKinds) {
  QImage img;
  // 1 bit, 3x2, bottom-up: bottom row 101, top row 010.
  auto f1 = Bmp(3, 2, 1, 0, kPal, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}, 2);
  ASSERT_TRUE(DecodeBmp(f1.data(), f1.size(), img));
  EXPECT_EQ(Px(img, 0, 1), 0x00FF00u);
  EXPECT_EQ(Px(img, 1, 1), 0xFF0000u);
  EXPECT_EQ(Px(img, 1, 0), 0x00FF00u);
  // 4 bit: index 2 then 1; index 3 is past the 3-entry table: black.
  auto f4 = Bmp(3, 1, 4, 0, kPal, {0x21, 0x30, 0, 0}, 3);
  ASSERT_TRUE(DecodeBmp(f4.data(), f4.size(), img));
  EXPECT_EQ(Px(img, 0, 0), 0x0000FFu);
  EXPECT_EQ(Px(img, 1, 0), 0x00FF00u);
  EXPECT_EQ(Px(img, 2, 0), 0u);
  auto f8 = Bmp(2, 1, 8, 0, kPal, {2, 0, 0, 0}, 3);
  ASSERT_TRUE(DecodeBmp(f8.data(), f8.size(), img));
  EXPECT_EQ(Px(img, 0, 0), 0x0000FFu);
  // 16 bit 5-5-5 default, then 5-6-5 bit fields.
  auto f16 = Bmp(1, 1, 16, 0, {}, {0x00, 0x7C, 0, 0});
  ASSERT_TRUE(DecodeBmp(f16.data(), f16.size(), img));
  EXPECT_EQ(Px(img, 0, 0), 0xFF0000u);
  auto f565 =
      Bmp(1, 1, 16, 3, {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0}, {0xE0, 0x07, 0, 0});
  ASSERT_TRUE(DecodeBmp(f565.data(), f565.size(), img));
  EXPECT_EQ(Px(img, 0, 0), 0x00FF00u);
  // 24 bit with padding, top-down.
  auto f24 = Bmp(1, -2, 24, 0, {}, {1, 2, 3, 0, 4, 5, 6, 0});
  ASSERT_TRUE(DecodeBmp(f24.data(), f24.size(), img));
  EXPECT_EQ(Px(img, 0, 0), 0x030201u);
  EXPECT_EQ(Px(img, 0, 1), 0x060504u);
  auto f32 = Bmp(1, 1, 32, 0, {}, {1, 2, 3, 0x80});
  ASSERT_TRUE(DecodeBmp(f32.data(), f32.size(), img));
  EXPECT_EQ(img.pixel(0, 0), 0xFF030201u);
  EXPECT_EQ(img.format(), QImage::Format_RGB32);
  // 32-bit bit fields with red in the low byte.
  auto f32b = Bmp(1, 1, 32, 3, {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0}, {9, 8, 7, 0});
  ASSERT_TRUE(DecodeBmp(f32b.data(), f32b.size(), img));
  EXPECT_EQ(Px(img, 0, 0), 0x090807u);
}

TEST(PictureBmp, Rle) {
  QImage img;
  // RLE8 4x2: bottom row "run 2 of 1, absolute 2,0"; EOL; delta; EOB.
  auto r8 = Bmp(4, 2, 8, 1, kPal, {2, 1, 0, 3, 2, 0, 2, 0, 0, 0, 1, 1, 0, 1}, 3);
  ASSERT_TRUE(DecodeBmp(r8.data(), r8.size(), img));
  EXPECT_EQ(Px(img, 0, 1), 0x00FF00u);
  EXPECT_EQ(Px(img, 1, 1), 0x00FF00u);
  EXPECT_EQ(Px(img, 2, 1), 0x0000FFu);
  EXPECT_EQ(Px(img, 3, 1), 0xFF0000u);
  EXPECT_EQ(Px(img, 0, 0), 0x00FF00u);  // top row: run of one at x 0
  EXPECT_EQ(Px(img, 1, 0), 0xFF0000u);  // never written: entry 0
  // RLE4: run of 3 alternating 1,2 then absolute 3 nibbles 2,1,0.
  auto r4 = Bmp(6, 1, 4, 2, kPal, {3, 0x12, 0, 3, 0x21, 0x00, 0, 1}, 3);
  ASSERT_TRUE(DecodeBmp(r4.data(), r4.size(), img));
  const QRgb want[6] = {0x00FF00, 0x0000FF, 0x00FF00, 0x0000FF, 0x00FF00, 0xFF0000};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(Px(img, x, 0), want[x]) << x;
}

TEST(PictureBmp, CoreHeaderAndBadInput) {
  QImage img;
  std::vector<uint8_t> core(26 + 6 + 4);
  core[0] = 'B';
  core[1] = 'M';
  WriteLe32(core.data() + 10, 32);
  WriteLe32(core.data() + 14, 12);
  WriteLe16(core.data() + 18, 1);
  WriteLe16(core.data() + 20, 1);
  WriteLe16(core.data() + 22, 1);
  WriteLe16(core.data() + 24, 1);
  core[26 + 3] = 0x40;  // entry 1: blue 0x40
  core[32] = 0x80;
  ASSERT_TRUE(DecodeBmp(core.data(), core.size(), img));
  EXPECT_EQ(Px(img, 0, 0), 0x000040u);

  const QImage before = img;
  auto good = Bmp(2, 2, 24, 0, {}, std::vector<uint8_t>(16, 7));
  for (size_t n = 0; n < good.size() - 2; ++n)  // the last row's padding may be missing
    EXPECT_FALSE(DecodeBmp(good.data(), n, img)) << n;
  for (int64_t bad : {0LL, -1LL, 16385LL}) {
    auto f = good;
    WriteLe32(f.data() + 18, uint32_t(bad));
    EXPECT_FALSE(DecodeBmp(f.data(), f.size(), img));
  }
  auto huge = good;  // 16384 x 16384 is over the pixel limit; INT_MIN height too
  WriteLe32(huge.data() + 18, 16384);
  WriteLe32(huge.data() + 22, 16384);
  EXPECT_FALSE(DecodeBmp(huge.data(), huge.size(), img));
  WriteLe32(huge.data() + 22, 0x80000000u);
  EXPECT_FALSE(DecodeBmp(huge.data(), huge.size(), img));
  auto badBpp = good;
  WriteLe16(badBpp.data() + 28, 7);
  EXPECT_FALSE(DecodeBmp(badBpp.data(), badBpp.size(), img));
  EXPECT_EQ(img, before);
}

TEST(PictureJpeg, RoundTripAndCorrupt) {
  const int w = 32, h = 16;
  QImage src(w, h, QImage::Format_RGB32);
  for (int i = 0; i < w * h; ++i) src.setPixel(i % w, i / w, qRgb(200, i % w * 4, 50));
  const std::vector<uint8_t> jpg = EncodeJpeg(src, 95);

  QImage img;
  ASSERT_TRUE(DecodeJpeg(jpg.data(), jpg.size(), img));
  ASSERT_EQ(img.size(), QSize(w, h));
  const QRgb p = img.pixel(20, 5);
  EXPECT_NEAR(qRed(p), 200, 6);
  EXPECT_NEAR(qGreen(p), 80, 6);
  EXPECT_NEAR(qBlue(p), 50, 6);

  const QImage before = img;
  EXPECT_FALSE(DecodeJpeg(jpg.data(), jpg.size() / 2, img));
  EXPECT_FALSE(DecodeJpeg(jpg.data(), 0, img));
  std::vector<uint8_t> junk(jpg.begin(), jpg.begin() + 2);
  junk.resize(400, 0x55);
  EXPECT_FALSE(DecodeJpeg(junk.data(), junk.size(), img));
  EXPECT_EQ(img, before);
}

TEST(PicturePacked, HandMadeStreamAndTrees) {
  // Tree 1 (0 'A') (0 'B'), then codes 0 1 1 0 -> "ABBA".
  // bits: 1 0 01000001 0 01000010 0110
  const std::vector<uint8_t> f = {'A', 'R', 'C', '1', 4, 0, 0, 0, 0x90, 0x48, 0x4C};
  std::vector<uint8_t> out;
  ASSERT_EQ(UnpackPacked(f.data(), f.size(), out), PackedStatus::kOk);
  EXPECT_EQ(std::string(out.begin(), out.end()), "ABBA");
  EXPECT_EQ(UnpackPacked(f.data(), f.size() - 1, out), PackedStatus::kTruncated);
  EXPECT_EQ(out.size(), 4u);

  // Single leaf 'x' (0 01111000) and L = 1000: no codes needed.
  const std::vector<uint8_t> leaf = {'A', 'R', 'C', '1', 0xE8, 3, 0, 0, 0x3C, 0};
  ASSERT_EQ(UnpackPacked(leaf.data(), leaf.size(), out), PackedStatus::kOk);
  EXPECT_EQ(out, std::vector<uint8_t>(1000, 'x'));

  // A right-leaning chain of 256 internal nodes is refused.
  std::vector<uint8_t> bad = {'A', 'R', 'C', '1', 1, 0, 0, 0};
  std::vector<uint8_t> bits;
  for (int i = 0; i < 256; ++i) bits.insert(bits.end(), {1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  bits.resize(bits.size() + 2000, 0);
  for (size_t i = 0; i < bits.size(); i += 8) {
    uint8_t b = 0;
    for (size_t k = 0; k < 8; ++k) b = uint8_t(b << 1 | (i + k < bits.size() ? bits[i + k] : 0));
    bad.push_back(b);
  }
  EXPECT_EQ(UnpackPacked(bad.data(), bad.size(), out), PackedStatus::kBadTree);
  QImage img;
  PackedStatus st;
  EXPECT_FALSE(DecodePacked(bad.data(), bad.size(), img, &st));
  EXPECT_EQ(st, PackedStatus::kBadTree);

  // All 256 byte values (255 internal nodes) and Fibonacci weights whose
  // codes outgrow the lookup table.
  std::vector<uint8_t> all;
  for (int i = 0; i < 256 * 3; ++i) all.push_back(uint8_t(i * 7));
  uint64_t a = 1, b = 1;
  for (int s = 0; s < 20; ++s, std::swap(a, b), b += a) all.insert(all.end(), a, uint8_t(s));
  auto packed = EncodePacked(all.data(), all.size());
  ASSERT_EQ(UnpackPacked(packed.data(), packed.size(), out), PackedStatus::kOk);
  EXPECT_EQ(out, all);
  auto empty = EncodePacked(nullptr, 0);
  ASSERT_EQ(UnpackPacked(empty.data(), empty.size(), out), PackedStatus::kOk);
  EXPECT_TRUE(out.empty());
}

TEST(PicturePacked, ImageRoundTripAndTruncation) {
  std::mt19937 rng(5);
  QImage noisy(37, 23, QImage::Format_RGB32), flat(640, 480, QImage::Format_RGB32);
  for (int y = 0; y < noisy.height(); ++y)
    for (int x = 0; x < noisy.width(); ++x) noisy.setPixel(x, y, rng() | 0xFF000000u);
  flat.fill(qRgb(10, 20, 30));
  for (const QImage& src : {noisy, flat}) {
    auto packed = EncodePacked(src);
    QImage got;
    PackedStatus st;
    ASSERT_TRUE(DecodePacked(packed.data(), packed.size(), got, &st));
    EXPECT_EQ(got, src);
    std::vector<uint8_t> raw;
    ASSERT_EQ(UnpackPacked(packed.data(), packed.size(), raw), PackedStatus::kOk);
    EXPECT_EQ(raw, EncodeBmp24(src));  // 640x480x3+54: L not a multiple of 256
  }
  auto packed = EncodePacked(noisy);
  QImage keep = flat;
  for (size_t n = 0; n < packed.size(); n += 97) {
    PackedStatus st;
    EXPECT_FALSE(DecodePacked(packed.data(), n, keep, &st)) << n;
    EXPECT_EQ(st, n < 8 ? PackedStatus::kNotPacked : PackedStatus::kTruncated) << n;
  }
  EXPECT_EQ(keep, flat);
}
