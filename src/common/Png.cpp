#include "common/Png.h"

#include <cstring>

#include "common/BigEndian.h"

namespace mirt {

bool PngChunksFit(const uint8_t* data, size_t size) {
  if (size < sizeof kPngSignature || std::memcmp(data, kPngSignature, sizeof kPngSignature) != 0)
    return false;
  size_t at = sizeof kPngSignature;
  while (size - at >= 12) {  // length, type, data, CRC
    const uint32_t length = ReadBe32(data + at);
    if (length > size - at - 12) return false;
    if (std::memcmp(data + at + 4, "IEND", 4) == 0) return true;
    at += 12 + size_t(length);
  }
  return false;
}

}  // namespace mirt
