// A save's picture file as the save dialog reads it: any bytes, through
// Qt's PNG reader and the size check before it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "shell/SavePreview.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  mirt::DecodePreview(std::vector<uint8_t>(data, data + size));
  return 0;
}
