// libFuzzer target: arbitrary bytes as a disc image, opened as the player
// opens one: an .iso file, or (when the first byte is odd) the BIN of a
// CUE sheet with a MODE1/2352 data track and an audio track. An image that
// opens must read every file of its game and list its folders without
// reading past what it says a file holds.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/GameSource.h"

namespace {

std::string& Folder() {
  static std::string folder;
  return folder;
}

void Write(const std::string& name, const uint8_t* data, size_t size) {
  std::ofstream(Folder() + "/" + name, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/mirt-fuzz-disc-XXXXXX";
  Folder() = mkdtemp(tmpl);
  const std::string cue =
      "FILE \"disc.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n"
      "  TRACK 02 AUDIO\r\n    INDEX 00 00:01:00\r\n    INDEX 01 00:01:02\r\n";
  Write("disc.cue", reinterpret_cast<const uint8_t*>(cue.data()), cue.size());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const bool cue = size > 0 && (data[0] & 1);
  Write(cue ? "disc.bin" : "disc.iso", data, size);
  std::string error;
  auto img = mirt::ImageSource::Open(Folder() + (cue ? "/disc.cue" : "/disc.iso"), &error);
  if (!img) {
    if (error.empty()) abort();
    return 0;
  }
  if (img->gameFolders().empty()) abort();
  for (const auto& [name, ref] : img->AllGameFiles()) {
    auto bytes = img->ReadFile(name);
    if (bytes && bytes->size() != ref.size) abort();
  }
  img->ListFiles("");
  for (const mirt::ImageAudioTrack& t : img->audioTracks())
    if (t.bytes == 0 || t.bytes % 4 || t.offset + t.bytes > size) abort();
  return 0;
}
