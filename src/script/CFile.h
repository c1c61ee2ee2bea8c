// The player's only file-access layer: one open file or none.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/GameSource.h"

namespace mirt {

class CFile {
 public:
  enum Mode { kCreate = 0, kExisting = 1 };
  CFile() = default;
  ~CFile() { Close(); }
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // Closes any open file first. An existing file opens for reading and
  // writing; when writing is refused it opens read-only so that a game
  // installed read-only still plays (writes then fail).
  bool Open(const std::string& cp932Name, int mode);
  void Close();
  bool IsOpen() const { return fd_ >= 0 || inImage_; }
  uint32_t Read(void* buf, uint32_t n);
  uint32_t Write(const void* buf, uint32_t n);
  uint32_t Size();
  bool Seek(uint32_t offset);
  // Reads the whole file into out, then closes it.
  int ReadAll(std::vector<uint8_t>& out);

 private:
  int fd_ = -1;
  // A file of the current disc image, read in place (read-only).
  bool inImage_ = false;
  ImageFileRef image_;
  uint32_t imagePos_ = 0;
};

// True when the file can be opened for reading.
bool FileExists(const std::string& cp932Name);
// The whole of an existing file; nothing when it cannot be opened or read.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& cp932Name);

}  // namespace mirt
