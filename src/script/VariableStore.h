// The story's variables: 256 integer and 40 string variables in fixed
// records, laid out exactly as the save files hold them.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "common/Encoding.h"
#include "common/NameField.h"

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
