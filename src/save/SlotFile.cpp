#include "save/SlotFile.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "common/LittleEndian.h"

namespace mirt {
namespace {

// Where each field of the game state record lies.
namespace at {
constexpr size_t scenarioName = 0;            // 80
constexpr size_t backgroundName = 80;         // 80
constexpr size_t charX = 160;                 // 10 x int32
constexpr size_t charY = 200;                 // 10 x int32
constexpr size_t charName = 240;              // 10 x 80
constexpr size_t charShown = 1040;            // 10 x byte
constexpr size_t charMode = 1050;             // 10 x byte
constexpr size_t charKeep = 1070;             // 10 x byte
constexpr size_t charShowWhileHidden = 1080;  // 10 x byte
constexpr size_t charInScene = 1132;          // 10 x int32
constexpr size_t midiName = 1176;             // 80
constexpr size_t waveName = 1256;             // 80
constexpr size_t backgroundLoaded = 1336;
constexpr size_t midiMode = 1340;
constexpr size_t waveMode = 1344;
constexpr size_t cdMode = 1352;
constexpr size_t cdTrack = 1356;
constexpr size_t fontSize = 1364;
constexpr size_t textColour = 1368;
constexpr size_t textOriginX = 1372;
constexpr size_t textOriginY = 1376;
constexpr size_t lineSpacing = 1380;
constexpr size_t boxOpacity = 1388;  // byte
constexpr size_t boxRect = 1392;     // left, top, right, bottom
constexpr size_t choiceColour = 1424;
constexpr size_t highlightColour = 1428;
constexpr size_t caption = 1436;    // 296
constexpr size_t boxColour = 1732;  // 3 x byte
constexpr size_t saveLabel = 1735;  // 81
constexpr size_t intCount = 1816;
constexpr size_t stringCount = 1820;
constexpr size_t pauseLength = 1824;
constexpr size_t indicatorEnabled = 1828;  // byte
constexpr size_t indicatorMode = 1829;     // byte
constexpr size_t indicatorPeriod = 1830;   // byte
constexpr size_t speedIndex = 1831;        // byte
constexpr size_t fadeColour = 1832;
constexpr size_t fontName = 1836;         // 64
constexpr size_t historyFontName = 1900;  // 64
constexpr size_t historyFontSize = 1964;
constexpr size_t historyRect = 1968;  // left, top, right, bottom
constexpr size_t historyEnabled = 1984;
constexpr size_t historyTextColour = 1988;
constexpr size_t historyLineSpacing = 1992;
constexpr size_t historyOriginX = 1996;
constexpr size_t historyOriginY = 2000;
constexpr size_t historyPicture = 2004;  // 40
constexpr size_t historyPictureX = 2044;
constexpr size_t historyPictureY = 2048;
constexpr size_t historyMode = 2052;
constexpr size_t historyTint = 2056;  // 4 x byte
constexpr size_t readPosition = 2060;
constexpr size_t cursorName = 2064;  // 40
constexpr size_t customCursor = 2104;
}  // namespace at

// Reads or writes one record: the same walk over the fields serves both
// directions, so the two can never disagree on an offset.
template <bool Write>
struct Fields {
  using Byte = std::conditional_t<Write, uint8_t, const uint8_t>;
  using State = std::conditional_t<Write, const GameState, GameState>;
  Byte* b;

  void I32(size_t off, std::conditional_t<Write, const int32_t, int32_t>& v) {
    if constexpr (Write)
      WriteLe32(b + off, static_cast<uint32_t>(v));
    else
      v = ReadLe32s(b + off);
  }
  template <size_t N>
  void I32s(size_t off, std::conditional_t<Write, const int32_t, int32_t> (&v)[N]) {
    for (size_t i = 0; i < N; ++i) I32(off + 4 * i, v[i]);
  }
  template <typename T, size_t N>
  void Bytes(size_t off, T (&v)[N]) {
    static_assert(sizeof(T) == 1);
    if constexpr (Write)
      std::memcpy(b + off, v, N);
    else
      std::memcpy(v, b + off, N);
  }
  template <typename T>
  void Byte1(size_t off, T& v) {
    static_assert(sizeof(T) == 1);
    if constexpr (Write)
      b[off] = static_cast<uint8_t>(v);
    else
      v = static_cast<std::remove_const_t<T>>(b[off]);
  }

  void Walk(State& s) {
    Bytes(at::scenarioName, s.scenarioName);
    Bytes(at::backgroundName, s.backgroundName);
    I32s(at::charX, s.charX);
    I32s(at::charY, s.charY);
    for (int i = 0; i < kCharacterSlots; ++i) Bytes(at::charName + 80 * size_t(i), s.charName[i]);
    Bytes(at::charShown, s.charShown);
    Bytes(at::charMode, s.charMode);
    Bytes(at::charKeep, s.charKeep);
    Bytes(at::charShowWhileHidden, s.charShowWhileHidden);
    I32s(at::charInScene, s.charInScene);
    Bytes(at::midiName, s.midiName);
    Bytes(at::waveName, s.waveName);
    I32(at::backgroundLoaded, s.backgroundLoaded);
    I32(at::midiMode, s.midiMode);
    I32(at::waveMode, s.waveMode);
    I32(at::cdMode, s.cdMode);
    I32(at::cdTrack, s.cdTrack);
    I32(at::fontSize, s.fontSize);
    I32(at::textColour, s.textColour);
    I32(at::textOriginX, s.textOriginX);
    I32(at::textOriginY, s.textOriginY);
    I32(at::lineSpacing, s.lineSpacing);
    Byte1(at::boxOpacity, s.boxOpacity);
    I32(at::boxRect, s.boxLeft);
    I32(at::boxRect + 4, s.boxTop);
    I32(at::boxRect + 8, s.boxRight);
    I32(at::boxRect + 12, s.boxBottom);
    I32(at::choiceColour, s.choiceColour);
    I32(at::highlightColour, s.highlightColour);
    Bytes(at::caption, s.caption);
    Bytes(at::boxColour, s.boxColour);
    Bytes(at::saveLabel, s.saveLabel);
    I32(at::intCount, s.intCount);
    I32(at::stringCount, s.stringCount);
    I32(at::pauseLength, s.pauseLength);
    Byte1(at::indicatorEnabled, s.indicatorEnabled);
    Byte1(at::indicatorMode, s.indicatorMode);
    Byte1(at::indicatorPeriod, s.indicatorPeriod);
    Byte1(at::speedIndex, s.speedIndex);
    I32(at::fadeColour, s.fadeColour);
    Bytes(at::fontName, s.fontName);
    Bytes(at::historyFontName, s.historyFontName);
    I32(at::historyFontSize, s.historyFontSize);
    I32(at::historyRect, s.historyLeft);
    I32(at::historyRect + 4, s.historyTop);
    I32(at::historyRect + 8, s.historyRight);
    I32(at::historyRect + 12, s.historyBottom);
    I32(at::historyEnabled, s.historyEnabled);
    I32(at::historyTextColour, s.historyTextColour);
    I32(at::historyLineSpacing, s.historyLineSpacing);
    I32(at::historyOriginX, s.historyOriginX);
    I32(at::historyOriginY, s.historyOriginY);
    Bytes(at::historyPicture, s.historyPicture);
    I32(at::historyPictureX, s.historyPictureX);
    I32(at::historyPictureY, s.historyPictureY);
    I32(at::historyMode, s.historyMode);
    Bytes(at::historyTint, s.historyTint);
    I32(at::readPosition, s.readPosition);
    Bytes(at::cursorName, s.cursorName);
    I32(at::customCursor, s.customCursor);
  }
};

}  // namespace

void EncodeGameState(const GameState& s, uint8_t* out) {
  std::memset(out, 0, kGameStateBytes);
  Fields<true>{out}.Walk(s);
}

void DecodeGameState(const uint8_t* in, GameState& s) {
  s.Clear();  // the reserved ranges stay zero
  Fields<false>{in}.Walk(s);
}

void EncodeStringTable(const StringVariable (&table)[kStrVarCount], uint8_t* out) {
  for (int i = 0; i < kStrVarCount; ++i) {
    uint8_t* r = out + size_t(i) * kStringRecordBytes;
    std::memcpy(r, table[i].name, kVarNameField);
    std::memcpy(r + kVarNameField, table[i].value, kStrValueField);
  }
}

void DecodeStringTable(const uint8_t* in, StringVariable (&table)[kStrVarCount]) {
  for (int i = 0; i < kStrVarCount; ++i) {
    const uint8_t* r = in + size_t(i) * kStringRecordBytes;
    std::memcpy(table[i].name, r, kVarNameField);
    std::memcpy(table[i].value, r + kVarNameField, kStrValueField);
  }
}

void EncodeIntegerTable(const IntegerVariable (&table)[kIntVarCount], uint8_t* out) {
  for (int i = 0; i < kIntVarCount; ++i) {
    uint8_t* r = out + size_t(i) * kIntegerRecordBytes;
    std::memcpy(r, table[i].name, kVarNameField);
    WriteLe32(r + kVarNameField, static_cast<uint32_t>(table[i].value));
  }
}

void DecodeIntegerTable(const uint8_t* in, IntegerVariable (&table)[kIntVarCount]) {
  for (int i = 0; i < kIntVarCount; ++i) {
    const uint8_t* r = in + size_t(i) * kIntegerRecordBytes;
    std::memcpy(table[i].name, r, kVarNameField);
    table[i].value = ReadLe32s(r + kVarNameField);
  }
}

std::vector<uint8_t> EncodeSlotFile(const std::string& caption, const GameState& savePoint,
                                    const VariableStore& vars) {
  std::vector<uint8_t> out(kSlotFileBytes, 0);
  std::memcpy(out.data() + kSlotCaptionOffset, caption.data(),
              std::min(caption.size(), kSlotCaptionBytes - 1));
  EncodeGameState(savePoint, out.data() + kSlotStateOffset);
  EncodeStringTable(vars.strs, out.data() + kSlotStringsOffset);
  EncodeIntegerTable(vars.ints, out.data() + kSlotIntegersOffset);
  return out;
}

void DecodeSlotFile(const uint8_t* bytes, size_t n, GameState& state, VariableStore& vars) {
  // The values held now as a file image, the file's bytes over it, and the
  // image read back: a short file leaves the rest as it was.
  std::vector<uint8_t> image = EncodeSlotFile("", state, vars);
  if (n > 0) std::memcpy(image.data(), bytes, std::min(n, kSlotFileBytes));
  DecodeGameState(image.data() + kSlotStateOffset, state);
  DecodeStringTable(image.data() + kSlotStringsOffset, vars.strs);
  DecodeIntegerTable(image.data() + kSlotIntegersOffset, vars.ints);
}

std::string SlotFileCaption(const uint8_t* bytes, size_t n) {
  const size_t width = std::min(n, kSlotCaptionBytes);
  if (width == 0) return "";
  const char* text = reinterpret_cast<const char*>(bytes);
  return std::string(text, strnlen(text, width));
}

std::vector<uint8_t> EncodeVariableFile(const VariableStore& vars) {
  std::vector<uint8_t> out(kVariableFileBytes, 0);
  EncodeStringTable(vars.strs, out.data() + kVarStringsOffset);
  EncodeIntegerTable(vars.ints, out.data() + kVarIntegersOffset);
  return out;
}

void DecodeVariableFile(const uint8_t* bytes, size_t n, VariableStore& tables) {
  std::vector<uint8_t> image(kVariableFileBytes, 0);
  if (n > 0) std::memcpy(image.data(), bytes, std::min(n, kVariableFileBytes));
  DecodeStringTable(image.data() + kVarStringsOffset, tables.strs);
  DecodeIntegerTable(image.data() + kVarIntegersOffset, tables.ints);
}

}  // namespace mirt
