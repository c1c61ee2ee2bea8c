// The story's state record, 2108 bytes, written to save files as it lies in
// memory (little-endian, fixed NUL-terminated fields).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/NameField.h"

namespace mirt {

constexpr int kCharacterSlots = 10;

#pragma pack(push, 1)
struct GameState {
  char scenarioName[80];               // 0
  char backgroundName[80];             // 80
  int32_t charX[kCharacterSlots];      // 160
  int32_t charY[kCharacterSlots];      // 200
  char charName[kCharacterSlots][80];  // 240
  uint8_t charShown[kCharacterSlots];  // 1040
  uint8_t charMode[kCharacterSlots];   // 1050
  uint8_t reserved1060[10];
  uint8_t charKeep[kCharacterSlots];             // 1070
  uint8_t charShowWhileHidden[kCharacterSlots];  // 1080
  uint8_t reserved1090[42];
  int32_t charInScene[kCharacterSlots];  // 1132
  uint8_t reserved1172[4];
  char midiName[80];         // 1176
  char waveName[80];         // 1256
  int32_t backgroundLoaded;  // 1336
  int32_t midiMode;          // 1340
  int32_t waveMode;          // 1344
  uint8_t reserved1348[4];
  int32_t cdMode;   // 1352
  int32_t cdTrack;  // 1356
  uint8_t reserved1360[4];
  int32_t fontSize;     // 1364
  int32_t textColour;   // 1368
  int32_t textOriginX;  // 1372
  int32_t textOriginY;  // 1376
  int32_t lineSpacing;  // 1380
  uint8_t reserved1384[4];
  uint8_t boxOpacity;  // 1388
  uint8_t reserved1389[3];
  int32_t boxLeft, boxTop, boxRight, boxBottom;  // 1392
  uint8_t reserved1408[16];
  int32_t choiceColour;     // 1424
  int32_t highlightColour;  // 1428
  uint8_t reserved1432[4];
  char caption[296];                                             // 1436
  uint8_t boxColour[3];                                          // 1732
  char saveLabel[81];                                            // 1735
  int32_t intCount;                                              // 1816
  int32_t stringCount;                                           // 1820
  int32_t pauseLength;                                           // 1824
  uint8_t indicatorEnabled;                                      // 1828
  uint8_t indicatorMode;                                         // 1829
  uint8_t indicatorPeriod;                                       // 1830
  uint8_t speedIndex;                                            // 1831
  int32_t fadeColour;                                            // 1832
  char fontName[64];                                             // 1836
  char historyFontName[64];                                      // 1900
  int32_t historyFontSize;                                       // 1964
  int32_t historyLeft, historyTop, historyRight, historyBottom;  // 1968
  int32_t historyEnabled;                                        // 1984
  int32_t historyTextColour;                                     // 1988
  int32_t historyLineSpacing;                                    // 1992
  int32_t historyOriginX;                                        // 1996
  int32_t historyOriginY;                                        // 2000
  char historyPicture[40];                                       // 2004
  int32_t historyPictureX;                                       // 2044
  int32_t historyPictureY;                                       // 2048
  int32_t historyMode;                                           // 2052
  uint8_t historyTint[4];                                        // 2056
  int32_t readPosition;                                          // 2060
  char cursorName[40];                                           // 2064
  int32_t customCursor;                                          // 2104

  void Clear() { std::memset(this, 0, sizeof *this); }
  // The record of a new story: all zero but the font name "ＭＳ 明朝" and
  // no WAVE or CD sound.
  void ResetForNewStory() {
    Clear();
    CopyText(fontName, sizeof fontName, "\x82\x6c\x82\x72\x20\x96\xbe\x92\xa9");
    waveMode = -1;
    cdMode = -1;
  }

  // The name fields as text: each is read up to its width however it ends,
  // and written cut to its width less one, the rest zero. The names of
  // files are cut anywhere; font and picture names never in the middle of
  // a two-byte character.
  std::string ScenarioName() const { return Text(scenarioName); }
  void SetScenarioName(const std::string& s) { CopyField(scenarioName, sizeof scenarioName, s); }
  std::string BackgroundName() const { return Text(backgroundName); }
  void SetBackgroundName(const std::string& s) {
    CopyField(backgroundName, sizeof backgroundName, s);
  }
  std::string CharName(int slot) const { return Text(charName[slot]); }
  void SetCharName(int slot, const std::string& s) {
    CopyField(charName[slot], sizeof charName[slot], s);
  }
  std::string MidiName() const { return Text(midiName); }
  std::string WaveName() const { return Text(waveName); }
  std::string Caption() const { return Text(caption); }
  void SetCaption(const std::string& s) { CopyField(caption, sizeof caption, s); }
  std::string FontName() const { return Text(fontName); }
  void SetFontName(const std::string& s) { CopyText(fontName, sizeof fontName, s); }
  std::string HistoryFontName() const { return Text(historyFontName); }
  void SetHistoryFontName(const std::string& s) {
    CopyText(historyFontName, sizeof historyFontName, s);
  }
  std::string HistoryPicture() const { return Text(historyPicture); }
  void SetHistoryPicture(const std::string& s) {
    CopyText(historyPicture, sizeof historyPicture, s);
  }

 private:
  template <size_t N>
  static std::string Text(const char (&field)[N]) {
    return FieldString(field, N);
  }
};
#pragma pack(pop)

static_assert(sizeof(GameState) == 2108);
static_assert(offsetof(GameState, charInScene) == 1132);
static_assert(offsetof(GameState, midiName) == 1176);
static_assert(offsetof(GameState, cdTrack) == 1356);
static_assert(offsetof(GameState, fontSize) == 1364);
static_assert(offsetof(GameState, boxOpacity) == 1388);
static_assert(offsetof(GameState, boxLeft) == 1392);
static_assert(offsetof(GameState, choiceColour) == 1424);
static_assert(offsetof(GameState, caption) == 1436);
static_assert(offsetof(GameState, boxColour) == 1732);
static_assert(offsetof(GameState, saveLabel) == 1735);
static_assert(offsetof(GameState, intCount) == 1816);
static_assert(offsetof(GameState, pauseLength) == 1824);
static_assert(offsetof(GameState, fadeColour) == 1832);
static_assert(offsetof(GameState, fontName) == 1836);
static_assert(offsetof(GameState, historyFontSize) == 1964);
static_assert(offsetof(GameState, historyPicture) == 2004);
static_assert(offsetof(GameState, historyTint) == 2056);
static_assert(offsetof(GameState, readPosition) == 2060);
static_assert(offsetof(GameState, cursorName) == 2064);
static_assert(offsetof(GameState, customCursor) == 2104);

// The record's fields, each once, in record order, with its kind: a text
// field (Text), the ten sprite names (Texts), 32-bit integers (I32, I32s for
// an array), bytes (Byte, Bytes for an array). The slot files and the state
// dump both walk this list; each field lies at offsetof(GameState, name).
// clang-format off
#define MIRT_GAME_STATE_FIELDS(X)                                              \
  X(Text, scenarioName) X(Text, backgroundName) X(I32s, charX) X(I32s, charY)  \
  X(Texts, charName) X(Bytes, charShown) X(Bytes, charMode) X(Bytes, charKeep) \
  X(Bytes, charShowWhileHidden) X(I32s, charInScene) X(Text, midiName)         \
  X(Text, waveName) X(I32, backgroundLoaded) X(I32, midiMode)                  \
  X(I32, waveMode) X(I32, cdMode) X(I32, cdTrack) X(I32, fontSize)             \
  X(I32, textColour) X(I32, textOriginX) X(I32, textOriginY)                   \
  X(I32, lineSpacing) X(Byte, boxOpacity) X(I32, boxLeft) X(I32, boxTop)       \
  X(I32, boxRight) X(I32, boxBottom) X(I32, choiceColour)                      \
  X(I32, highlightColour) X(Text, caption) X(Bytes, boxColour)                 \
  X(Text, saveLabel) X(I32, intCount) X(I32, stringCount) X(I32, pauseLength)  \
  X(Byte, indicatorEnabled) X(Byte, indicatorMode) X(Byte, indicatorPeriod)    \
  X(Byte, speedIndex) X(I32, fadeColour) X(Text, fontName)                     \
  X(Text, historyFontName) X(I32, historyFontSize) X(I32, historyLeft)         \
  X(I32, historyTop) X(I32, historyRight) X(I32, historyBottom)                \
  X(I32, historyEnabled) X(I32, historyTextColour) X(I32, historyLineSpacing)  \
  X(I32, historyOriginX) X(I32, historyOriginY) X(Text, historyPicture)        \
  X(I32, historyPictureX) X(I32, historyPictureY) X(I32, historyMode)          \
  X(Bytes, historyTint) X(I32, readPosition) X(Text, cursorName)               \
  X(I32, customCursor)
// clang-format on

}  // namespace mirt
