// 32-bit integer arithmetic that wraps around as the games' own arithmetic
// does, without the undefined behaviour of signed overflow.
#pragma once

#include <cstdint>

namespace mirt {

inline int32_t Wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }
inline int32_t WrapAdd(int32_t a, int32_t b) { return Wrap32(int64_t(a) + b); }
inline int32_t WrapSub(int32_t a, int32_t b) { return Wrap32(int64_t(a) - b); }

}  // namespace mirt
