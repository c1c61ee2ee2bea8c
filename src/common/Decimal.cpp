#include "common/Decimal.h"

namespace mirt {

int32_t ParseDecimal(const char* s) {
  while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\v' || *s == '\f') ++s;
  bool neg = false;
  if (*s == '+' || *s == '-') neg = (*s++ == '-');
  uint32_t v = 0;  // wraps like a 32-bit machine integer
  while (*s >= '0' && *s <= '9') v = v * 10u + static_cast<uint32_t>(*s++ - '0');
  if (neg) v = 0u - v;
  return static_cast<int32_t>(v);
}

}  // namespace mirt
