#include "script/VariableStore.h"

#include <string_view>

namespace mirt {
namespace {

std::string_view CutName(const std::string& name) {
  return std::string_view(name).substr(0, kVarNameField - 1);
}

// The name field holds want, compared in place: a lookup walks up to 256
// records and must not build a string for each.
bool NameIs(const char (&field)[kVarNameField], std::string_view want) {
  return std::string_view(field, strnlen(field, kVarNameField)) == want;
}

}  // namespace

int VariableStore::FindInteger(const std::string& name) const {
  std::string_view want = CutName(name);
  for (int i = 0; i < kIntVarCount; ++i)
    if (NameIs(ints[i].name, want)) return i;
  return -1;
}

int VariableStore::FindString(const std::string& name) const {
  std::string_view want = CutName(name);
  for (int i = 0; i < kStrVarCount; ++i)
    if (NameIs(strs[i].name, want)) return i;
  return -1;
}

}  // namespace mirt
