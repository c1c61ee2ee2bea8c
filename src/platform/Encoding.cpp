#include "platform/Encoding.h"

#include <iconv.h>

#include <cerrno>

namespace mirt {
namespace {

std::string convert(const char* to, const char* from, const std::string& in,
                    const char* replacement, size_t skipOnError) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return in;
  std::string out;
  out.reserve(in.size() * 2);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buf[1024];
  while (srcLeft > 0) {
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buf, dst - buf);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: replace one unit and go on
      out += replacement;
      size_t skip = skipOnError;
      if (skipOnError == 0) {  // UTF-8 input: skip one whole character
        unsigned char c = static_cast<unsigned char>(*src);
        skip = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      } else if (isSjisLead(static_cast<unsigned char>(*src)) && srcLeft >= 2) {
        skip = 2;
      }
      if (skip > srcLeft) skip = srcLeft;
      src += skip;
      srcLeft -= skip;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string cp932ToUtf8(const std::string& cp932) {
  return convert("UTF-8", "CP932", cp932, "\xEF\xBF\xBD", 1);
}

std::string utf8ToCp932(const std::string& utf8) {
  return convert("CP932", "UTF-8", utf8, "?", 0);
}

}  // namespace mirt
