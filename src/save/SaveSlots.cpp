#include "save/SaveSlots.h"

#include "script/CFile.h"
#include "vars/VariableStore.h"

namespace mirt {

SaveSlots::SaveSlots() {
  for (int i = 0; i < kCount; ++i) captions_[i] = std::to_string(i) + ": ---- --/-- --:--:--";
}

void SaveSlots::RefreshCaptions() {
  for (int i = 0; i < kCount; ++i) {
    CFile f;
    if (!f.Open("data_" + std::to_string(i) + ".dat", CFile::kExisting)) continue;
    char caption[256] = {};
    f.Read(caption, sizeof caption);
    captions_[i] = FieldString(caption, sizeof caption);
  }
}

}  // namespace mirt
