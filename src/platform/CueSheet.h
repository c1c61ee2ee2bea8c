// CUE sheets of disc images: which BIN files hold the disc and where each
// track starts in them. Both layouts are read: one BIN for the whole disc,
// and one BIN per track (a FILE line before each track, INDEX 00 for a
// pregap kept in the file). The reader is strict: any line it does not
// know, a track out of order, a time that is no time, or a track without
// INDEX 01 is an error naming the line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mirt {

enum class CueTrackMode { kAudio, kMode1_2352, kMode1_2048, kMode2_2352 };

// Bytes per sector in the BIN for a track of this mode.
inline uint32_t CueSectorBytes(CueTrackMode m) {
  return m == CueTrackMode::kMode1_2048 ? 2048 : 2352;
}

struct CueTrack {
  int number = 0;  // 1 to 99, in order
  CueTrackMode mode = CueTrackMode::kAudio;
  size_t file = 0;      // index into CueSheet::files
  int64_t index0 = -1;  // INDEX 00 in sectors from the file's start, -1 when none
  int64_t index1 = 0;   // INDEX 01 in sectors from the file's start
};

struct CueSheet {
  std::vector<std::string> files;  // as the sheet names them (bytes)
  std::vector<CueTrack> tracks;
};

// The sheet in text, or nothing with *error telling what is wrong and where.
std::optional<CueSheet> ParseCueSheet(std::string_view text, std::string* error);

}  // namespace mirt
