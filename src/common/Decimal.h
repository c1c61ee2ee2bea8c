// Decimal numbers as the scripts and init.def write them.
#pragma once

#include <cstdint>

namespace mirt {

// Decimal conversion of the scripts: blanks, optional sign, digits.
int32_t ParseDecimal(const char* s);

}  // namespace mirt
