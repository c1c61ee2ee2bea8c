// Case folding as the scripts know it: the single-byte letters a to z
// only. Bytes of two-byte characters and all other bytes stay as they are,
// whatever the locale.
#pragma once

#include <string>
#include <string_view>

namespace mirt {

inline char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

inline char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

inline void UpperAsciiInPlace(std::string& s) {
  for (char& c : s) c = UpperAscii(c);
}

inline std::string UpperAscii(std::string s) {
  UpperAsciiInPlace(s);
  return s;
}

// a == b with a to z taken as A to Z.
inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

}  // namespace mirt
