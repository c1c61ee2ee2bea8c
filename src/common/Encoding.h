// CP932 (Shift-JIS) <-> UTF-8 at the platform boundary.
#pragma once
#include <string>

namespace mirt {

// Invalid bytes become U+FFFD; never fails.
std::string cp932ToUtf8(const std::string& cp932);
// Characters CP932 cannot hold become '?'; never fails.
std::string utf8ToCp932(const std::string& utf8);

// The program's own Japanese texts, written in UTF-8 in the source, as
// CP932 bytes.
inline std::string Sjis(const char* utf8) { return utf8ToCp932(utf8); }

// True when byte b opens a two-byte Shift-JIS character.
inline bool isSjisLead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace mirt
