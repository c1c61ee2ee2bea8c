#include <cstddef>
#include <cstdint>
#include <string>

#include "script/Archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto dir = mirt::ParseArchiveDirectory(data, size);
  for (const auto& e : dir) {
    auto hit = mirt::FindArchiveEntry(dir, mirt::UpperAscii(e.name));
    if (!hit || mirt::UpperAscii(hit->name) != mirt::UpperAscii(e.name)) __builtin_trap();
  }
  mirt::FindArchiveEntry(dir, "BG01.BMP");
  return 0;
}
