// The bytes of the save files, made by hand from their tables and read by
// the player, and the player's files compared with them at each offset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "save/SaveSlots.h"
#include "save/SlotFile.h"

using namespace mirt;

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
uint32_t Get32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}
void PutText(Bytes& b, size_t at, const std::string& s) { std::memcpy(&b[at], s.data(), s.size()); }
std::string TextAt(const Bytes& b, size_t at, size_t width) {
  std::string s;
  for (size_t i = 0; i < width && b[at + i]; ++i) s += char(b[at + i]);
  return s;
}

// A record with a different value in every field, written from the table
// (offsets relative to base).
void HandMadeRecord(Bytes& b, size_t base) {
  PutText(b, base + 0, "scene2.txt");
  PutText(b, base + 80, "bg01.bmp");
  for (int i = 0; i < 10; ++i) {
    Put32(b, base + 160 + 4 * i, uint32_t(-10 * i - 1));
    Put32(b, base + 200 + 4 * i, uint32_t(20 + i));
    PutText(b, base + 240 + 80 * i, "ch" + std::to_string(i) + ".bmp");
    b[base + 1040 + i] = uint8_t(i & 1);
    b[base + 1050 + i] = uint8_t(i % 3);
    b[base + 1070 + i] = uint8_t(i == 4);
    b[base + 1080 + i] = uint8_t(i == 7);
    Put32(b, base + 1132 + 4 * i, uint32_t(100 + i));
  }
  PutText(b, base + 1176, "song.mid");
  PutText(b, base + 1256, "rain.wav");
  Put32(b, base + 1336, 1);
  Put32(b, base + 1340, 2);
  Put32(b, base + 1344, 0);
  Put32(b, base + 1352, 1);
  Put32(b, base + 1356, 5);
  Put32(b, base + 1364, 18);
  Put32(b, base + 1368, 0x00332211);
  Put32(b, base + 1372, 31);
  Put32(b, base + 1376, 352);
  Put32(b, base + 1380, 6);
  b[base + 1388] = 200;
  Put32(b, base + 1392, 10);
  Put32(b, base + 1396, 340);
  Put32(b, base + 1400, 630);
  Put32(b, base + 1404, 470);
  Put32(b, base + 1424, 0x0000FFFF);
  Put32(b, base + 1428, 0x00FF00FF);
  PutText(b, base + 1436, "Title\x81\x40\x81\x79");
  b[base + 1732] = 1;
  b[base + 1733] = 2;
  b[base + 1734] = 3;
  PutText(b, base + 1735, "chapter1");
  Put32(b, base + 1816, 3);
  Put32(b, base + 1820, 2);
  Put32(b, base + 1824, 750);
  b[base + 1828] = 1;
  b[base + 1829] = 1;
  b[base + 1830] = 4;
  b[base + 1831] = 5;
  Put32(b, base + 1832, 0x00102030);
  PutText(b, base + 1836, "\x82\x6c\x82\x72 Gothic");
  PutText(b, base + 1900, "HistFont");
  Put32(b, base + 1964, 14);
  Put32(b, base + 1968, 1);
  Put32(b, base + 1972, 2);
  Put32(b, base + 1976, 639);
  Put32(b, base + 1980, 479);
  Put32(b, base + 1984, 1);
  Put32(b, base + 1988, 0x00ABCDEF);
  Put32(b, base + 1992, 3);
  Put32(b, base + 1996, 40);
  Put32(b, base + 2000, 50);
  PutText(b, base + 2004, "hist.bmp");
  Put32(b, base + 2044, 7);
  Put32(b, base + 2048, 8);
  Put32(b, base + 2052, 2);
  b[base + 2056] = 9;
  b[base + 2057] = 10;
  b[base + 2058] = 11;
  b[base + 2059] = 128;
  Put32(b, base + 2060, 4321);
  PutText(b, base + 2064, "hand.cur");
  Put32(b, base + 2104, 1);
}

void ExpectHandMadeRecord(const GameState& s) {
  EXPECT_EQ(s.ScenarioName(), "scene2.txt");
  EXPECT_EQ(s.BackgroundName(), "bg01.bmp");
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(s.charX[i], -10 * i - 1);
    EXPECT_EQ(s.charY[i], 20 + i);
    EXPECT_EQ(s.CharName(i), "ch" + std::to_string(i) + ".bmp");
    EXPECT_EQ(s.charShown[i], i & 1);
    EXPECT_EQ(s.charMode[i], i % 3);
    EXPECT_EQ(s.charKeep[i], i == 4);
    EXPECT_EQ(s.charShowWhileHidden[i], i == 7);
    EXPECT_EQ(s.charInScene[i], 100 + i);
  }
  EXPECT_EQ(s.MidiName(), "song.mid");
  EXPECT_EQ(s.WaveName(), "rain.wav");
  EXPECT_EQ(s.backgroundLoaded, 1);
  EXPECT_EQ(s.midiMode, 2);
  EXPECT_EQ(s.waveMode, 0);
  EXPECT_EQ(s.cdMode, 1);
  EXPECT_EQ(s.cdTrack, 5);
  EXPECT_EQ(s.fontSize, 18);
  EXPECT_EQ(s.textColour, 0x00332211);
  EXPECT_EQ(s.textOriginX, 31);
  EXPECT_EQ(s.textOriginY, 352);
  EXPECT_EQ(s.lineSpacing, 6);
  EXPECT_EQ(s.boxOpacity, 200);
  EXPECT_EQ(s.boxLeft, 10);
  EXPECT_EQ(s.boxTop, 340);
  EXPECT_EQ(s.boxRight, 630);
  EXPECT_EQ(s.boxBottom, 470);
  EXPECT_EQ(s.choiceColour, 0x0000FFFF);
  EXPECT_EQ(s.highlightColour, 0x00FF00FF);
  EXPECT_EQ(s.Caption(), "Title\x81\x40\x81\x79");
  EXPECT_EQ(s.boxColour[0], 1);
  EXPECT_EQ(s.boxColour[1], 2);
  EXPECT_EQ(s.boxColour[2], 3);
  EXPECT_STREQ(s.saveLabel, "chapter1");
  EXPECT_EQ(s.intCount, 3);
  EXPECT_EQ(s.stringCount, 2);
  EXPECT_EQ(s.pauseLength, 750);
  EXPECT_EQ(s.indicatorEnabled, 1);
  EXPECT_EQ(s.indicatorMode, 1);
  EXPECT_EQ(s.indicatorPeriod, 4);
  EXPECT_EQ(s.speedIndex, 5);
  EXPECT_EQ(s.fadeColour, 0x00102030);
  EXPECT_EQ(s.FontName(), "\x82\x6c\x82\x72 Gothic");
  EXPECT_EQ(s.HistoryFontName(), "HistFont");
  EXPECT_EQ(s.historyFontSize, 14);
  EXPECT_EQ(s.historyLeft, 1);
  EXPECT_EQ(s.historyTop, 2);
  EXPECT_EQ(s.historyRight, 639);
  EXPECT_EQ(s.historyBottom, 479);
  EXPECT_EQ(s.historyEnabled, 1);
  EXPECT_EQ(s.historyTextColour, 0x00ABCDEF);
  EXPECT_EQ(s.historyLineSpacing, 3);
  EXPECT_EQ(s.historyOriginX, 40);
  EXPECT_EQ(s.historyOriginY, 50);
  EXPECT_EQ(s.HistoryPicture(), "hist.bmp");
  EXPECT_EQ(s.historyPictureX, 7);
  EXPECT_EQ(s.historyPictureY, 8);
  EXPECT_EQ(s.historyMode, 2);
  EXPECT_EQ(s.historyTint[0], 9);
  EXPECT_EQ(s.historyTint[1], 10);
  EXPECT_EQ(s.historyTint[2], 11);
  EXPECT_EQ(s.historyTint[3], 128);
  EXPECT_EQ(s.readPosition, 4321);
  EXPECT_STREQ(s.cursorName, "hand.cur");
  EXPECT_EQ(s.customCursor, 1);
}

// The ranges of the record that no field covers.
const std::pair<size_t, size_t> kReserved[] = {{1060, 10}, {1090, 42}, {1172, 4},
                                               {1348, 4},  {1360, 4},  {1384, 4},
                                               {1389, 3},  {1408, 16}, {1432, 4}};

// Variables by hand: string record i at base + 275 i (name 20, value 255),
// integer record i at base + 24 i (name 20, little-endian value).
void HandMadeStrings(Bytes& b, size_t base) {
  PutText(b, base + 0, "hero");
  PutText(b, base + 20, "\x91\xbe\x98\x59");  // two-byte text
  PutText(b, base + 275, "place");
  PutText(b, base + 275 + 20, "harbour");
  PutText(b, base + 39 * 275, "last");
  PutText(b, base + 39 * 275 + 20, "end");
}
void HandMadeIntegers(Bytes& b, size_t base) {
  PutText(b, base + 0, "seen");
  Put32(b, base + 20, 1);
  PutText(b, base + 24, "gold");
  Put32(b, base + 24 + 20, uint32_t(-123456));
  PutText(b, base + 255 * 24, "z");
  Put32(b, base + 255 * 24 + 20, 0x7FFFFFFF);
}
void ExpectHandMadeVariables(const VariableStore& v) {
  EXPECT_EQ(v.StrName(0), "hero");
  EXPECT_EQ(v.StringValue(0), "\x91\xbe\x98\x59");
  EXPECT_EQ(v.StrName(1), "place");
  EXPECT_EQ(v.StringValue(1), "harbour");
  EXPECT_EQ(v.StrName(39), "last");
  EXPECT_EQ(v.StringValue(39), "end");
  EXPECT_EQ(v.IntName(0), "seen");
  EXPECT_EQ(v.ints[0].value, 1);
  EXPECT_EQ(v.IntName(1), "gold");
  EXPECT_EQ(v.ints[1].value, -123456);
  EXPECT_EQ(v.IntName(255), "z");
  EXPECT_EQ(v.ints[255].value, 0x7FFFFFFF);
}

}  // namespace

TEST(GameStateRecord, HandMadeBytesReadFieldByFieldAndWriteBackTheSame) {
  Bytes b(kGameStateBytes, 0);
  HandMadeRecord(b, 0);
  GameState s;
  DecodeGameState(b.data(), s);
  ExpectHandMadeRecord(s);
  Bytes out(kGameStateBytes, 0xEE);
  EncodeGameState(s, out.data());
  EXPECT_EQ(out, b);
}

TEST(GameStateRecord, ReservedBytesAreWrittenZeroAndNeverRead) {
  GameState s;
  std::memset(&s, 0x5A, sizeof s);  // every byte, the reserved ones too
  Bytes out(kGameStateBytes, 0xEE);
  EncodeGameState(s, out.data());
  for (auto [at, n] : kReserved)
    for (size_t i = at; i < at + n; ++i) EXPECT_EQ(out[i], 0) << "offset " << i;
  EXPECT_EQ(out[1388], 0x5A);  // the box opacity byte next to them
  EXPECT_EQ(Get32(out, 2104), 0x5A5A5A5Au);

  Bytes in(kGameStateBytes, 0);
  for (auto [at, n] : kReserved) std::memset(&in[at], 0xFF, n);
  GameState read;
  DecodeGameState(in.data(), read);
  GameState zero;
  zero.Clear();
  EXPECT_EQ(std::memcmp(&read, &zero, sizeof read), 0);
}

TEST(GameStateRecord, FullFieldsAreReadUpToTheirWidth) {
  Bytes b(kGameStateBytes, 'x');  // no terminator anywhere
  GameState s;
  DecodeGameState(b.data(), s);
  EXPECT_EQ(s.ScenarioName(), std::string(80, 'x'));
  EXPECT_EQ(s.Caption(), std::string(296, 'x'));
  EXPECT_EQ(s.FontName(), std::string(64, 'x'));
  EXPECT_EQ(s.HistoryPicture(), std::string(40, 'x'));
  EXPECT_EQ(s.CharName(9), std::string(80, 'x'));
}

TEST(SlotFile, HandMadeFileLoadsEveryPart) {
  Bytes b(kSlotFileBytes, 0);
  PutText(b, 0, "4: 2001 05/14 21:03:07\x81\x40label");
  PutText(b, 40, "junk after the terminator");
  HandMadeRecord(b, 256);
  HandMadeStrings(b, 2364);
  HandMadeIntegers(b, 13364);
  EXPECT_EQ(SlotFileCaption(b.data(), b.size()), "4: 2001 05/14 21:03:07\x81\x40label");
  GameState s;
  s.ResetForNewStory();
  VariableStore v;
  DecodeSlotFile(b.data(), b.size(), s, v);
  ExpectHandMadeRecord(s);
  ExpectHandMadeVariables(v);
}

TEST(SlotFile, WrittenFileHasEachPartAtItsOffset) {
  Bytes ref(kSlotFileBytes, 0);
  PutText(ref, 0, "7: caption");
  HandMadeRecord(ref, 256);
  HandMadeStrings(ref, 2364);
  HandMadeIntegers(ref, 13364);
  GameState s;
  DecodeGameState(ref.data() + 256, s);
  VariableStore v;
  DecodeStringTable(ref.data() + 2364, v.strs);
  DecodeIntegerTable(ref.data() + 13364, v.ints);
  // Written from the parts, byte for byte the hand-made file.
  EXPECT_EQ(EncodeSlotFile("7: caption", s, v), ref);
  // A caption longer than its field keeps 255 bytes and the terminator.
  Bytes longCaption = EncodeSlotFile(std::string(400, 'c'), s, v);
  EXPECT_EQ(TextAt(longCaption, 0, 256), std::string(255, 'c'));
  EXPECT_EQ(longCaption[255], 0);
  EXPECT_EQ(TextAt(longCaption, 256, 80), "scene2.txt");
}

TEST(SlotFile, ShortFileKeepsTheResetValuesWhereItEnds) {
  Bytes full(kSlotFileBytes, 0);
  HandMadeRecord(full, 256);
  HandMadeStrings(full, 2364);
  HandMadeIntegers(full, 13364);
  struct Cut {
    size_t length;
    bool nameRead, fontRead, stringsRead, lastIntegerRead;
  };
  for (const Cut c : {Cut{0, false, false, false, false}, Cut{300, true, false, false, false},
                      Cut{256 + 1836 + 64, true, true, false, false},
                      Cut{2364 + 275 * 2, true, true, true, false},
                      Cut{kSlotFileBytes - 1, true, true, true, false}}) {
    SCOPED_TRACE(c.length);
    GameState s;
    s.ResetForNewStory();
    VariableStore v;
    DecodeSlotFile(full.data(), c.length, s, v);
    EXPECT_EQ(s.ScenarioName(), c.nameRead ? "scene2.txt" : "");
    EXPECT_EQ(s.FontName(),
              c.fontRead ? "\x82\x6c\x82\x72 Gothic" : "\x82\x6c\x82\x72\x20\x96\xbe\x92\xa9");
    EXPECT_EQ(s.waveMode, c.fontRead ? 0 : -1);
    EXPECT_EQ(s.cdMode, c.fontRead ? 1 : -1);
    EXPECT_EQ(v.StringValue(1), c.stringsRead ? "harbour" : "");
    // The last byte of the last integer is missing: its value is whole
    // only in the full file.
    EXPECT_EQ(v.ints[255].value == 0x7FFFFFFF, c.lastIntegerRead);
  }
  EXPECT_EQ(SlotFileCaption(full.data(), 0), "");
}

TEST(SlotFile, CaptionWithoutTerminatorStopsAtItsField) {
  Bytes b(kSlotFileBytes, 0);
  std::memset(b.data(), 'A', 300);
  EXPECT_EQ(SlotFileCaption(b.data(), b.size()), std::string(256, 'A'));
  EXPECT_EQ(SlotFileCaption(b.data(), 10), std::string(10, 'A'));
}

TEST(SlotFile, CaptionIsSlotTimeIdeographicSpaceAndLabel) {
  std::tm t{};
  t.tm_year = 2001 - 1900;
  t.tm_mon = 4;
  t.tm_mday = 14;
  t.tm_hour = 21;
  t.tm_min = 3;
  t.tm_sec = 7;
  EXPECT_EQ(SaveSlots::FormatCaption(3, t, "label"), "3: 2001 05/14 21:03:07\x81\x40label");
  EXPECT_EQ(SaveSlots::FormatCaption(0, t, ""), "0: 2001 05/14 21:03:07\x81\x40");
  EXPECT_EQ(SaveSlots::FileName(7), "data_7.dat");
}

TEST(VariableFile, HandMadeFileReadsAndWritesBothTables) {
  Bytes b(kVariableFileBytes, 0);
  HandMadeStrings(b, 0);
  HandMadeIntegers(b, 11000);
  VariableStore v;
  DecodeVariableFile(b.data(), b.size(), v);
  ExpectHandMadeVariables(v);
  EXPECT_EQ(EncodeVariableFile(v), b);
}

TEST(VariableFile, ShortOrOverlongFileIsZeroWhereItEndsAndCutWhereItGoesOn) {
  Bytes b(kVariableFileBytes + 500, 0xFF);  // past the file's end: never read
  std::fill(b.begin(), b.begin() + kVariableFileBytes, 0);
  HandMadeStrings(b, 0);
  HandMadeIntegers(b, 11000);
  VariableStore v;
  std::memset(v.ints, 0x77, sizeof v.ints);  // scratch of an earlier read
  DecodeVariableFile(b.data(), 11000 + 20, v);
  EXPECT_EQ(v.StringValue(1), "harbour");
  EXPECT_EQ(v.IntName(0), "seen");
  EXPECT_EQ(v.ints[0].value, 0);  // its value, bytes 11020.., is missing
  EXPECT_EQ(v.IntName(1), "");
  DecodeVariableFile(b.data(), b.size(), v);  // the bytes past 17144 are not read
  EXPECT_EQ(v.ints[255].value, 0x7FFFFFFF);
}
