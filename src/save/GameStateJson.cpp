#include "save/GameStateJson.h"

#include "common/Encoding.h"

namespace mirt {

namespace {

// The record's fields as JSON members: texts read up to their field's
// width, byte and integer arrays as arrays of numbers.
struct JsonFields {
  JsonObject& o;

  template <size_t N>
  void Text(const char* key, const char (&v)[N]) {
    o.Str(key, FieldString(v, N));
  }
  template <size_t N, size_t M>
  void Texts(const char* key, const char (&v)[N][M]) {
    QJsonArray a;
    for (size_t i = 0; i < N; ++i)
      a.append(QString::fromStdString(cp932ToUtf8(FieldString(v[i], M))));
    o.Arr(key, a);
  }
  void I32(const char* key, int32_t v) { o.Int(key, v); }
  void Byte(const char* key, uint8_t v) { o.Int(key, v); }
  template <typename T, size_t N>
  void I32s(const char* key, const T (&v)[N]) {
    o.Arr(key, IntArray(v));
  }
  template <typename T, size_t N>
  void Bytes(const char* key, const T (&v)[N]) {
    o.Arr(key, IntArray(v));
  }
};

}  // namespace

JsonObject GameStateJson(const GameState& s) {
  JsonObject o;
  JsonFields f{o};
#define MIRT_FIELD(kind, name) f.kind(#name, s.name);
  MIRT_GAME_STATE_FIELDS(MIRT_FIELD)
#undef MIRT_FIELD
  return o;
}

}  // namespace mirt
