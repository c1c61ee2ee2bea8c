// Decoded pictures kept between compositions.
//
// An entry is valid only while the files it came from are unchanged: its
// key holds the graphics archive's and the plain file's resolved paths,
// sizes, inodes, and modification and change times (nanoseconds), so a
// picture or archive that changed on disk is decoded again at the next
// lookup.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>

namespace mirt {

class PictureCache {
 public:
  // Loads cp932Name like LoadPicture into out (RGB32, or null when the file
  // exists but holds no picture of a known kind). Returns false when
  // neither the archive nor a plain file has that name. errorMessage gets
  // the decoder's message (CP932) every time the picture is asked for.
  bool Load(const std::string& cp932Name, const std::string& graphicsArchiveName, QImage& out,
            std::string* errorMessage);

  void Clear();
  bool enabled = true;
  size_t byteBudget = size_t{96} << 20;  // decoded pixels kept at most
  // Entries kept at most, also those without pixels (missing files, files
  // of no picture kind) and those of files that have changed since.
  size_t entryLimit = 256;
  size_t size() const { return entries_.size(); }
  size_t hits = 0, misses = 0;

 private:
  struct Entry {
    std::string key;
    bool loaded = false;
    QImage image;
    std::string error;
  };
  std::list<Entry> entries_;  // most recently used first
  size_t bytes_ = 0;
};

}  // namespace mirt
