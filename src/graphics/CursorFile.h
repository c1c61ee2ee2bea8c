// Windows cursor files: static cursors (.cur, also icon files) and
// animated cursors (.ani, a RIFF "ACON" of cursor frames), read from bytes.
//
// Nothing here trusts the file: every count, size and offset is checked
// against the bytes at hand, and a file that does not hold what it claims
// gives no cursor at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace mirt {

// One picture of a cursor. Either its pixels (ARGB, 0xAARRGGBB, rows top
// down, alpha 0 where the window shows through), or, for a frame stored as
// PNG, the PNG bytes for a decoder (width and height as the directory says).
struct CursorFrame {
  int width = 0;
  int height = 0;
  int hotX = 0;
  int hotY = 0;
  std::vector<uint32_t> argb;
  std::vector<uint8_t> png;
};

// One step of an animation: which frame is shown, and for how long.
struct CursorStep {
  size_t frame = 0;
  uint32_t ms = 0;
};

struct CursorFile {
  std::vector<CursorFrame> frames;  // never empty
  // The animation in order; a static cursor has none.
  std::vector<CursorStep> steps;
  bool animated() const { return steps.size() > 1; }
};

// The largest picture a cursor may have on either side.
constexpr int kCursorMaxSide = 256;

// A .cur or .ico file (told by its contents); nothing when malformed.
std::optional<CursorFile> ParseStaticCursor(const uint8_t* data, size_t size);
// An .ani file; nothing when malformed or without a frame that parses.
std::optional<CursorFile> ParseAnimatedCursor(const uint8_t* data, size_t size);
// Either kind, told by the contents ("RIFF" starts an animated cursor).
std::optional<CursorFile> ParseCursorFile(const uint8_t* data, size_t size);

}  // namespace mirt
