// libFuzzer target: arbitrary bytes as a reading marks file. The marks
// read must write out as a file that reads back as the same marks and
// writes out byte for byte the same again.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "save/ReadingMarks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  mirt::ReadingMarks marks;
  marks.Decode(data, size);
  const std::vector<uint8_t> once = marks.Encode();
  mirt::ReadingMarks back;
  if (!back.Decode(once.data(), once.size())) abort();
  if (back.size() != marks.size()) abort();
  if (back.Encode() != once) abort();
  return 0;
}
