// libFuzzer target: the SMF parser on arbitrary bytes, then a walk over the
// result the way the sequencer reads it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sound/SmfParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> image(data, data + size);  // exact-size heap copy for ASan
  mirt::CPlayData song;
  song.load(image.data(), image.size());
  if (song.eventCount() > size + 16) abort();
  uint64_t sum = 0;
  for (song.rewind(); song.notFinished(); song.advance()) {
    uint32_t m = song.currentMessage();
    if ((m & 0xFF) == 0xF0) {
      const mirt::CMdExclusive* x = song.exclusive(song.currentWord());
      if (!x || x->data.empty() || x->data[0] != 0xF0) abort();
      sum += x->data.back();
    } else if ((m & 0xFF) == 0xFF) {
      uint32_t lo = song.currentWord();
      song.advance();
      if (!song.notFinished()) abort();  // a tempo entry always has its pair
      if ((lo | uint32_t(song.currentWord()) << 16) == 0) abort();
    }
    sum += song.currentDelta();
  }
  (void)song.currentDelta();  // the end slot is readable
  return int(sum & 0);
}
