#include <cstddef>
#include <cstdint>

#include "graphics/BmpDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QImage img;
  // A small pixel limit keeps RLE pictures (tiny files, huge sizes) fast.
  mirt::DecodeBmp(data, size, img, uint64_t{1} << 22);
  return 0;
}
