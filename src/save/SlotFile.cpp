#include "save/SlotFile.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "common/LittleEndian.h"

namespace mirt {
namespace {

// Reads or writes one record: the same walk over the fields serves both
// directions, so the two can never disagree on an offset.
template <bool Write>
struct Fields {
  using Byte_ = std::conditional_t<Write, uint8_t, const uint8_t>;
  using State = std::conditional_t<Write, const GameState, GameState>;
  Byte_* b;

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
  template <typename T, size_t N>
  void Text(size_t off, T (&v)[N]) {
    Bytes(off, v);
  }
  template <typename T, size_t N, size_t M>
  void Texts(size_t off, T (&v)[N][M]) {
    for (size_t i = 0; i < N; ++i) Bytes(off + M * i, v[i]);
  }
  template <typename T>
  void Byte(size_t off, T& v) {
    static_assert(sizeof(T) == 1);
    if constexpr (Write)
      b[off] = static_cast<uint8_t>(v);
    else
      v = static_cast<std::remove_const_t<T>>(b[off]);
  }

  void Walk(State& s) {
#define MIRT_FIELD(kind, name) kind(offsetof(GameState, name), s.name);
    MIRT_GAME_STATE_FIELDS(MIRT_FIELD)
#undef MIRT_FIELD
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
