// How story text is cut into the units of its reveal.
#pragma once

#include <string>

namespace mirt {

// Length (1 or 2) of the unit that starts at text[i].
inline size_t TextUnitLength(const std::string& text, size_t i) {
  if (i + 1 >= text.size()) return 1;
  unsigned a = static_cast<unsigned char>(text[i]);
  unsigned b = static_cast<unsigned char>(text[i + 1]);
  bool two = (((a >= 0x81 && a <= 0x9F) || (a >= 0xE0 && a <= 0xFC)) && b >= 0x40 && b <= 0xFC &&
              b != 0x7F) ||
             (a >= 0xA0 && a <= 0xDF) || (a == 0x8E && b >= 0xA0 && b <= 0xDF) ||
             (a >= 0xA1 && a <= 0xFE && b >= 0xA1);
  if (!two && a == 0x1B && i + 2 < text.size()) {
    unsigned c = static_cast<unsigned char>(text[i + 2]);
    two = (b == 0x24 && (c == 0x42 || c == 0x40)) || (b == 0x28 && (c == 0x4A || c == 0x42));
  }
  return two ? 2 : 1;
}

}  // namespace mirt
