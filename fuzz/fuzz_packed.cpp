#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/PackedPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes;
  mirt::UnpackPacked(data, size, bytes, uint32_t{1} << 24);
  QImage img;
  mirt::DecodePacked(data, size, img);
  // Whatever unpacked must pack and unpack back to itself.
  if (!bytes.empty() && bytes.size() < (1u << 16)) {
    std::vector<uint8_t> again;
    auto packed = mirt::EncodePacked(bytes.data(), bytes.size());
    if (mirt::UnpackPacked(packed.data(), packed.size(), again) != mirt::PackedStatus::kOk ||
        again != bytes)
      __builtin_trap();
  }
  return 0;
}
