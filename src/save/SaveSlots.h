// The ten save slots "data_0.dat" to "data_9.dat" as the menus show them:
// each slot's caption, read from the head of its file, and whether the
// script lets the reader save and load (ONSAVE, ONLOAD).
#pragma once

#include <array>
#include <ctime>
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

  // The one name of a slot's file. The menus' "Data_N.dat" and
  // "data_N.dat" both come here: the file is looked up without regard to
  // letter case, and this one spelling is used for reading and writing, so
  // both reach the same file whatever case it has on disk.
  static std::string FileName(int slot);
  // A save's caption: the slot, the local time and the save label.
  static std::string FormatCaption(int slot, const std::tm& local, const std::string& label);

  bool saveEnabled() const { return saveEnabled_; }
  bool loadEnabled() const { return loadEnabled_; }
  void SetSaveEnabled(bool on) { saveEnabled_ = on; }
  void SetLoadEnabled(bool on) { loadEnabled_ = on; }

 private:
  std::array<std::string, kCount> captions_;
  bool saveEnabled_ = true;
  bool loadEnabled_ = true;
};

}  // namespace mirt
