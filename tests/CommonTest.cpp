// The small shared pieces: little-endian fields, PNG chunk lengths, a-to-z case folding, text
// in fixed fields, and the whole-file reads of the indicator pictures.
#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "GameFixture.h"
#include "common/Ascii.h"
#include "common/LittleEndian.h"
#include "common/NameField.h"
#include "common/Png.h"
#include "text/WaitIndicator.h"

using namespace mirt;

TEST(LittleEndian, ReadsWritesAndAppendsLowByteFirst) {
  const uint8_t b[] = {0x01, 0x02, 0x03, 0x84, 0xFE, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(ReadLe16(b), 0x0201);
  EXPECT_EQ(ReadLe16(b + 2), 0x8403);
  EXPECT_EQ(ReadLe32(b), 0x84030201u);
  EXPECT_EQ(ReadLe32(b + 4), 0xFFFFFFFEu);
  EXPECT_EQ(ReadLe32s(b + 4), -2);
  EXPECT_EQ(ReadLe32s(b), int32_t(0x84030201u));  // the top bit makes it negative

  uint8_t w[6] = {};
  WriteLe32(w, 0xA1B2C3D4u);
  WriteLe16(w + 4, 0xBEEF);
  EXPECT_EQ(std::vector<uint8_t>(w, w + 6),
            (std::vector<uint8_t>{0xD4, 0xC3, 0xB2, 0xA1, 0xEF, 0xBE}));

  std::vector<uint8_t> v = {'x'};
  AppendLe32(v, 0x80000001u);
  AppendLe16(v, 0x1234);
  EXPECT_EQ(v, (std::vector<uint8_t>{'x', 0x01, 0x00, 0x00, 0x80, 0x34, 0x12}));
  std::string s;
  AppendLe32(s, 0xFF00FF41u);
  EXPECT_EQ(s, std::string("A\xFF\0\xFF", 4));
  EXPECT_EQ(ReadLe32(reinterpret_cast<const uint8_t*>(s.data())), 0xFF00FF41u);
}

TEST(Png, ChunksThatClaimMoreThanTheFileHoldsNeverReachTheDecoder) {
  QImage picture(4, 3, QImage::Format_RGB32);
  picture.fill(0xFF336699u);
  const std::string png = mirt_test::PngFile(picture);
  std::vector<uint8_t> bytes(png.begin(), png.end());
  EXPECT_TRUE(PngChunksFit(bytes.data(), bytes.size()));
  // The chunk after IHDR claims 771 MB: libpng would set that much aside.
  std::vector<uint8_t> damaged = bytes;
  damaged[33] = 0x2E;
  EXPECT_FALSE(PngChunksFit(damaged.data(), damaged.size()));
  EXPECT_FALSE(PngChunksFit(bytes.data(), bytes.size() - 1));      // IEND cut short
  EXPECT_FALSE(PngChunksFit(bytes.data() + 1, bytes.size() - 1));  // no signature
}

TEST(Ascii, FoldsOnlyTheLettersAToZ) {
  // The neighbours of the letters, and bytes that are letters in other code
  // pages, stay as they are; so does the second byte of a two-byte
  // character that happens to be a capital.
  EXPECT_EQ(UpperAscii(std::string("az`{@[AZ09_")), "AZ`{@[AZ09_");
  EXPECT_EQ(UpperAscii(std::string("\xE0\xE9\xFF\xB5")), "\xE0\xE9\xFF\xB5");
  EXPECT_EQ(UpperAscii(std::string("\x83\x41.bmp")), "\x83\x41.BMP");
  EXPECT_EQ(UpperAscii('q'), 'Q');
  EXPECT_EQ(LowerAscii('Q'), 'q');
  EXPECT_EQ(LowerAscii('\xC0'), '\xC0');
  std::string k = "Goto\x82\xA0";
  UpperAsciiInPlace(k);
  EXPECT_EQ(k, "GOTO\x82\xA0");

  EXPECT_TRUE(EqualsIgnoringAsciiCase("Scene01.Txt", "SCENE01.TXT"));
  EXPECT_TRUE(EqualsIgnoringAsciiCase("", ""));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("a.txt", "a.txt "));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("\xE0", "\xC0"));  // not letters here
  EXPECT_FALSE(EqualsIgnoringAsciiCase("[", "{"));
}

// Where each cut ends a text that does not fit, around a two-byte character
// (0x82 0xA0) at the field's edge.
TEST(NameField, CutsAtTheFieldsEdge) {
  const std::string kana = "\x82\xA0";
  struct Case {
    std::string text;
    size_t n;
    size_t anyByte, whole, noLeadLast;
  } cases[] = {
      {"", 8, 0, 0, 0},
      {"abc", 8, 3, 3, 3},
      {"abcdefg", 8, 7, 7, 7},        // exactly fills the field
      {"abcdefgh", 8, 7, 7, 7},       // one over
      {"abcdef" + kana, 8, 7, 6, 6},  // the character would straddle the end
      {"abcde" + kana, 8, 7, 7, 7},   // the character ends in the last place
      {"abcdef\x82", 8, 7, 7, 6},     // a lone lead byte ending the text, last place
      {"abcde\x82", 8, 6, 6, 6},      // a lone lead byte with room after it
      {kana + kana + kana + kana, 8, 7, 6, 6},
      {"a" + kana + kana + kana, 8, 7, 7, 7},
      {"abc", 1, 0, 0, 0},  // room for the NUL only
      {"\x82", 2, 1, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text) + " in " + std::to_string(c.n));
    EXPECT_EQ(FieldLength(c.text, c.n, FieldCut::kAnyByte), c.anyByte);
    EXPECT_EQ(FieldLength(c.text, c.n, FieldCut::kWholeCharacters), c.whole);
    EXPECT_EQ(FieldLength(c.text, c.n, FieldCut::kWholeCharactersNoLeadLast), c.noLeadLast);
  }
}

TEST(NameField, CopiesZeroTheRestAndReadBack) {
  char field[8];
  std::memset(field, 0x55, sizeof field);
  CopyField(field, sizeof field, "abcdef\x82\xA0");
  EXPECT_EQ(std::string(field, 8), std::string("abcdef\x82\0", 8));  // cut inside the character
  std::memset(field, 0x55, sizeof field);
  CopyText(field, sizeof field, "abcdef\x82\xA0");
  EXPECT_EQ(std::string(field, 8), std::string("abcdef\0\0", 8));
  CopyText(field, sizeof field, "");
  EXPECT_EQ(std::string(field, 8), std::string(8, '\0'));

  // The 80-byte sound names: 79 bytes at most, and never a lead byte in the
  // 79th place, not even a lone one that ends the name.
  char name[80];
  StoreName(name, std::string(100, 'x'));
  EXPECT_EQ(FieldString(name, sizeof name), std::string(79, 'x'));
  EXPECT_EQ(name[79], '\0');
  StoreName(name, std::string(78, 'x') + "\x82");
  EXPECT_EQ(FieldString(name, sizeof name), std::string(78, 'x'));
  StoreName(name, std::string(77, 'x') + "\x82");
  EXPECT_EQ(FieldString(name, sizeof name), std::string(77, 'x') + "\x82");
  StoreName(name, std::string(77, 'x') + "\x82\xA0" + "yy");
  EXPECT_EQ(FieldString(name, sizeof name), std::string(77, 'x') + "\x82\xA0");
  StoreName(name, "bell.wav");
  EXPECT_EQ(FieldString(name, sizeof name), "bell.wav");
  EXPECT_EQ(std::string(name + 8, 72), std::string(72, '\0'));

  // A field read back stops at its first NUL or its width, whichever is first.
  const char full[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(FieldString(full, 4), "abcd");
  EXPECT_EQ(FieldString("ab\0cd", 5), "ab");
}

// The indicator pictures are read whole, then decoded by Qt's readers: the
// one the name's suffix names first, then whichever knows the contents.
TEST(IndicatorPicture, ReadWholeThenDecodedWhateverTheContents) {
  mirt_test::GameDir g;
  std::filesystem::current_path(g.Path(""));
  QImage icon(3, 2, QImage::Format_RGB32);
  icon.fill(qRgb(0, 255, 0));
  icon.setPixel(1, 0, qRgb(200, 10, 10));
  ASSERT_TRUE(icon.save(QString::fromStdString(g.Path("icon1.bmp")), "BMP"));
  g.WriteBytes("icon2.bmp", mirt_test::PngFile(icon));  // a PNG under a bitmap's name
  std::filesystem::create_directory(g.Path("icon3.bmp"));
  g.WriteBytes("icon4.bmp", "not a picture");

  for (const char* name : {"ICON1.BMP", "icon2.bmp"}) {
    SCOPED_TRACE(name);
    QImage out;
    LoadIndicatorPicture(name, out);
    ASSERT_EQ(out.size(), QSize(3, 2));
    EXPECT_EQ(out.pixel(1, 0), qRgb(200, 10, 10));
    EXPECT_EQ(qAlpha(out.pixel(0, 0)), 0);  // the bottom-left colour is the key
  }
  for (const char* name : {"icon3.bmp", "icon4.bmp", "missing.bmp"}) {
    SCOPED_TRACE(name);
    QImage out(1, 1, QImage::Format_ARGB32);
    out.fill(qRgb(1, 2, 3));
    LoadIndicatorPicture(name, out);
    EXPECT_EQ(out.pixel(0, 0), qRgb(1, 2, 3));  // left as it was
  }
}
