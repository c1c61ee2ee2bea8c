// Text in fixed NUL-terminated fields, as the state record, the variables
// and the save files hold names: a field of n bytes keeps at most n - 1
// bytes of text, the rest zero, and reads back up to its first NUL or its
// width.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace mirt {

// Where a text too long for its field is cut.
enum class FieldCut {
  kAnyByte,          // at n - 1 bytes, also inside a two-byte character
  kWholeCharacters,  // before a two-byte character that would not fit whole
  // As kWholeCharacters, and a lead byte never takes the field's last place,
  // not even one that ends the text with no second byte after it.
  kWholeCharactersNoLeadLast,
};

// Number of bytes of s that a field of n bytes keeps under that cut.
size_t FieldLength(std::string_view s, size_t n, FieldCut cut);

// Copies s into field[0..n): the bytes FieldLength keeps, then zeros.
void CopyToField(char* field, size_t n, std::string_view s, FieldCut cut);

// Cut anywhere.
inline void CopyField(char* field, size_t n, const std::string& s) {
  CopyToField(field, n, s, FieldCut::kAnyByte);
}
// Never cut through a two-byte character.
inline void CopyText(char* field, size_t n, const std::string& s) {
  CopyToField(field, n, s, FieldCut::kWholeCharacters);
}
// Never cut through a two-byte character, and no lead byte in the last place.
template <size_t N>
void StoreName(char (&field)[N], const std::string& s) {
  CopyToField(field, N, s, FieldCut::kWholeCharactersNoLeadLast);
}

inline std::string FieldString(const char* field, size_t n) {
  return std::string(field, strnlen(field, n));
}

}  // namespace mirt
