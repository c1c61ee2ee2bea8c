#include "vars/VariableStore.h"

namespace mirt {
namespace {

std::string CutName(const std::string& name) {
  return name.size() > kVarNameField - 1 ? name.substr(0, kVarNameField - 1) : name;
}

}  // namespace

int VariableStore::FindInteger(const std::string& name) const {
  std::string want = CutName(name);
  for (int i = 0; i < kIntVarCount; ++i)
    if (FieldString(ints[i].name, kVarNameField) == want) return i;
  return -1;
}

int VariableStore::FindString(const std::string& name) const {
  std::string want = CutName(name);
  for (int i = 0; i < kStrVarCount; ++i)
    if (FieldString(strs[i].name, kVarNameField) == want) return i;
  return -1;
}

}  // namespace mirt
