// Little-endian integers in byte buffers: the archives, bitmaps, settings
// and save files all store them this way, whatever the host's order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mirt {

inline uint16_t ReadLe16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline int32_t ReadLe32s(const uint8_t* p) { return static_cast<int32_t>(ReadLe32(p)); }

inline void WriteLe16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void WriteLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Appends to a byte container: std::vector<uint8_t>, std::string, ...
template <typename Bytes>
void AppendLe16(Bytes& out, uint16_t v) {
  using T = typename Bytes::value_type;
  out.push_back(T(uint8_t(v)));
  out.push_back(T(uint8_t(v >> 8)));
}
template <typename Bytes>
void AppendLe32(Bytes& out, uint32_t v) {
  using T = typename Bytes::value_type;
  for (int i = 0; i < 4; ++i) out.push_back(T(uint8_t(v >> (8 * i))));
}

}  // namespace mirt
