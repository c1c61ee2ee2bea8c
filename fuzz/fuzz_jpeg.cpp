#include <cstddef>
#include <cstdint>

#include "graphics/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QImage img;
  mirt::DecodeJpeg(data, size, img);
  return 0;
}
