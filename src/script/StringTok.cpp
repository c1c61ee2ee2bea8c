#include "script/StringTok.h"

namespace mirt {

void StringTok::SetSource(const char* text, bool copy) {
  if (copy) {
    owned_ = text ? text : "";
    source_ = owned_.c_str();
  } else {
    owned_.clear();
    source_ = text;
  }
  cursor_ = source_;
}

char StringTok::ReadToken(std::string& out, int max, bool skipBlanks) {
  out.clear();
  if (cursor_ == nullptr) return 0;
  for (int i = 0; i < max; ++i) {
    char c = *cursor_++;
    if (c == '\0') {
      cursor_ = nullptr;
      return 0;
    }
    if (skipBlanks && (c == ' ' || c == '\t')) continue;
    if (delimiters_.find(c) != std::string::npos) return c;
    out.push_back(c);
  }
  return 0;
}

}  // namespace mirt
