// The ten save slots "data_0.dat" to "data_9.dat" as the menus show them:
// each slot's caption, read from the head of its file.
#pragma once

#include <array>
#include <string>

namespace mirt {

class SaveSlots {
 public:
  static constexpr int kCount = 10;
  SaveSlots();
  // Reads the caption of every slot whose file exists; the others keep
  // theirs.
  void RefreshCaptions();
  // CP932; "N: ---- --/-- --:--:--" for a slot never saved.
  const std::string& caption(int slot) const { return captions_[slot]; }

 private:
  std::array<std::string, kCount> captions_;
};

}  // namespace mirt
