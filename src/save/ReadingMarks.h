// The reading marks: which of a game's waits (a line or page wait) the
// reader has seen, in this run or an earlier one, so that skipping can
// run through read text and stop at new text. A mark is a scenario's name
// and the place in it where the story came to rest.
//
// They are kept per game in "mirt-read.dat" in the game's save folder:
//   "MIRTREAD" then records of
//   u8 name length (1..79), the name's CP932 bytes, u32 count,
//   count u32 places in ascending order; integers little-endian.
// A damaged file keeps the records read up to the damage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace mirt {

class ReadingMarks {
 public:
  static constexpr const char* kFileName = "mirt-read.dat";
  // Longest name a scenario record holds (the game state's field less its NUL).
  static constexpr size_t kNameMax = 79;

  // Marks a place; true when it is new.
  bool Mark(const std::string& scenario, uint32_t place);
  bool Has(const std::string& scenario, uint32_t place) const;
  size_t size() const { return size_; }
  // Marks made since the file was last read or written.
  size_t unsaved() const { return unsaved_; }
  void Clear();

  std::vector<uint8_t> Encode() const;
  // Replaces the marks with the file's; false when it is no marks file
  // at all or is damaged (the records before the damage are kept).
  bool Decode(const uint8_t* data, size_t size);

  // The game's file in its save folder. Load keeps no marks when there is
  // none; Save writes aside and renames, false when it could not be written.
  void Load();
  bool Save();

 private:
  std::map<std::string, std::set<uint32_t>> marks_;
  size_t size_ = 0;
  size_t unsaved_ = 0;
};

}  // namespace mirt
