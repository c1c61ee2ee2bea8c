// libFuzzer target: cursor files (.cur and .ico, and animated .ani) parsed
// from arbitrary bytes, as SETCURSOR and a restored game read them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "graphics/CursorFile.h"

namespace {

// What every parsed cursor promises its users.
void Check(const std::optional<mirt::CursorFile>& c) {
  if (!c) return;
  if (c->frames.empty()) abort();
  for (const mirt::CursorFrame& f : c->frames) {
    if (f.width < 1 || f.height < 1 || f.width > mirt::kCursorMaxSide ||
        f.height > mirt::kCursorMaxSide)
      abort();
    if (f.png.empty() && f.argb.size() != size_t(f.width) * size_t(f.height)) abort();
    if (f.hotX < 0 || f.hotY < 0 || f.hotX >= f.width || f.hotY >= f.height) abort();
  }
  for (const mirt::CursorStep& s : c->steps)
    if (s.frame >= c->frames.size() || s.ms == 0) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(mirt::ParseCursorFile(data, size));
  Check(mirt::ParseStaticCursor(data, size));
  Check(mirt::ParseAnimatedCursor(data, size));
  return 0;
}
