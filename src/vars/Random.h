// The generator behind RANDOM: a 32-bit linear congruence seeded from the
// clock at start-up.
#pragma once

#include <cstdint>

namespace mirt {

class ScriptRandom {
 public:
  void Seed(uint32_t seed) { seed_ = seed; }
  // The whole state: Seed(state()) later repeats the same values.
  uint32_t state() const { return seed_; }
  // The next value, 0..32767.
  uint32_t Next() {
    seed_ = seed_ * 22695477u + 1u;
    return (seed_ >> 16) & 0x7FFF;
  }

 private:
  uint32_t seed_ = 0;
};

}  // namespace mirt
