// libFuzzer target: arbitrary bytes as a CUE sheet. A sheet that is read
// must hold tracks numbered from 1 without a gap, each in a file the sheet
// names, with INDEX 00 (when given) not after INDEX 01.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/CueSheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  const auto sheet =
      mirt::ParseCueSheet(std::string_view(reinterpret_cast<const char*>(data), size), &error);
  if (!sheet) {
    if (error.empty()) abort();
    return 0;
  }
  if (sheet->tracks.empty() || sheet->files.empty()) abort();
  for (size_t i = 0; i < sheet->tracks.size(); ++i) {
    const mirt::CueTrack& t = sheet->tracks[i];
    if (t.number != int(i) + 1 || t.file >= sheet->files.size()) abort();
    if (t.index1 < 0 || (t.index0 >= 0 && t.index0 > t.index1)) abort();
    if (i > 0 && sheet->tracks[i - 1].file > t.file) abort();
  }
  return 0;
}
