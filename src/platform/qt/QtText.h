// The engine's CP932 text as Qt's strings, at the window's edge.
#pragma once

#include <QString>
#include <string>

#include "common/Encoding.h"

namespace mirt {

inline QString fromCp932(const std::string& cp932) {
  return QString::fromStdString(cp932ToUtf8(cp932));
}

}  // namespace mirt
