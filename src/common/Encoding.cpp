#include "common/Encoding.h"

#include <iconv.h>

#include <cerrno>

namespace mirt {
namespace {

// An open conversion descriptor. Opening one costs far more than converting
// the one character that drawing text converts at a time, so each thread
// keeps one per direction open for its lifetime.
class Descriptor {
 public:
  Descriptor(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Descriptor() {
    if (ok()) iconv_close(cd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

std::string convert(const Descriptor& d, const std::string& in, const char* replacement,
                    size_t skipOnError) {
  if (!d.ok()) return in;
  iconv_t cd = d.get();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // the initial state, whatever came before
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
  return out;
}

}  // namespace

std::string cp932ToUtf8(const std::string& cp932) {
  thread_local const Descriptor d("UTF-8", "CP932");
  return convert(d, cp932, "\xEF\xBF\xBD", 1);
}

std::string utf8ToCp932(const std::string& utf8) {
  thread_local const Descriptor d("CP932", "UTF-8");
  return convert(d, utf8, "?", 0);
}

}  // namespace mirt
