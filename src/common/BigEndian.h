// Big-endian integers in byte buffers: the few formats that store them this
// way (standard MIDI files, PNG).
#pragma once

#include <cstdint>

namespace mirt {

inline uint16_t ReadBe16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline uint32_t ReadBe32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

}  // namespace mirt
