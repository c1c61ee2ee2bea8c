#include "save/SaveSlots.h"

#include <cstdint>

#include "save/SlotFile.h"
#include "script/CFile.h"

namespace mirt {

SaveSlots::SaveSlots() {
  for (int i = 0; i < kCount; ++i) captions_[i] = std::to_string(i) + ": ---- --/-- --:--:--";
}

std::string SaveSlots::FileName(int slot) { return "data_" + std::to_string(slot) + ".dat"; }

std::string SaveSlots::FormatCaption(int slot, const std::tm& local, const std::string& label) {
  // The time ends in an ideographic space (CP932 81 40) before the label.
  char time[129];
  const size_t n = std::strftime(time, sizeof time, ": %Y %m/%d %H:%M:%S\x81\x40", &local);
  return std::to_string(slot) + std::string(time, n) + label;
}

void SaveSlots::RefreshCaptions() {
  for (int i = 0; i < kCount; ++i) {
    CFile f;
    if (!f.Open(FileName(i), CFile::kExisting)) continue;
    uint8_t head[kSlotCaptionBytes] = {};
    const uint32_t got = f.Read(head, sizeof head);
    // A file with no caption text (empty, or a NUL first) keeps the entry's
    // caption: a menu entry is never blank.
    std::string caption = SlotFileCaption(head, got);
    if (!caption.empty()) captions_[i] = caption;
  }
}

}  // namespace mirt
