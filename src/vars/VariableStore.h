// The story's variables: 256 integer and 40 string variables in fixed
// records, laid out exactly as the save files hold them.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/Encoding.h"

namespace mirt {

constexpr int kIntVarCount = 256;
constexpr int kStrVarCount = 40;
constexpr int kVarNameField = 20;    // 19 bytes and a NUL
constexpr int kStrValueField = 255;  // 254 bytes and a NUL

#pragma pack(push, 1)
struct IntegerVariable {
  char name[kVarNameField];
  int32_t value;
};
struct StringVariable {
  char name[kVarNameField];
  char value[kStrValueField];
};
#pragma pack(pop)
static_assert(sizeof(IntegerVariable) == 24);
static_assert(sizeof(StringVariable) == 275);

// Copies s into a fixed NUL-terminated field of size n, cutting it to n-1.
inline void CopyField(char* field, size_t n, const std::string& s) {
  size_t len = s.size() < n - 1 ? s.size() : n - 1;
  std::memset(field, 0, n);
  std::memcpy(field, s.data(), len);
}
// Copies text into a fixed field like CopyField, but cuts before a two-byte
// Shift-JIS character that would not fit whole, never through it.
inline void CopyText(char* field, size_t n, const std::string& s) {
  size_t len = 0;
  while (len < s.size()) {
    size_t step = isSjisLead(static_cast<unsigned char>(s[len])) && len + 1 < s.size() ? 2 : 1;
    if (len + step > n - 1) break;
    len += step;
  }
  std::memset(field, 0, n);
  std::memcpy(field, s.data(), len);
}
inline std::string FieldString(const char* field, size_t n) {
  return std::string(field, strnlen(field, n));
}

class VariableStore {
 public:
  IntegerVariable ints[kIntVarCount];
  StringVariable strs[kStrVarCount];

  VariableStore() { Reset(); }
  void Reset() {
    std::memset(ints, 0, sizeof ints);
    std::memset(strs, 0, sizeof strs);
  }
  // Index of the first record with this name (a name cut to 19 bytes), or -1.
  // The empty name finds the first free record.
  int FindInteger(const std::string& name) const;
  int FindString(const std::string& name) const;
  std::string StringValue(int index) const {
    return FieldString(strs[index].value, kStrValueField);
  }
  std::string IntName(int index) const { return FieldString(ints[index].name, kVarNameField); }
  std::string StrName(int index) const { return FieldString(strs[index].name, kVarNameField); }
};

}  // namespace mirt
