#include "common/NameField.h"

#include "common/Encoding.h"

namespace mirt {

size_t FieldLength(std::string_view s, size_t n, FieldCut cut) {
  if (n == 0) return 0;
  const size_t room = n - 1;
  if (cut == FieldCut::kAnyByte) return s.size() < room ? s.size() : room;
  size_t len = 0;
  while (len < s.size()) {
    const bool lead = isSjisLead(static_cast<unsigned char>(s[len]));
    // A lead byte that ends the text stands alone.
    const size_t step = lead && len + 1 < s.size() ? 2 : 1;
    if (len + step > room) break;
    if (lead && cut == FieldCut::kWholeCharactersNoLeadLast && len + 1 == room) break;
    len += step;
  }
  return len;
}

void CopyToField(char* field, size_t n, std::string_view s, FieldCut cut) {
  const size_t len = FieldLength(s, n, cut);
  std::memset(field, 0, n);
  if (len > 0) std::memcpy(field, s.data(), len);
}

}  // namespace mirt
