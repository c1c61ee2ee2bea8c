// The story font: which family draws a script's face name, and its size.
#pragma once

#include <QFont>
#include <cstdint>
#include <string>

namespace mirt {

// The family that draws a script's face name. The Windows faces the scripts
// name are mapped to the IPA fonts; any other name goes to fontconfig as it
// is, and a family fontconfig does not know falls back to IPAMincho (the
// other families on the machine have no Japanese glyphs).
QString FontFamilyFor(const std::string& cp932Name);

// The em height in pixels of a script font size. The size handed to the
// font is size * 96 / ppi points (integer division), drawn at ppi pixels per
// inch with the rounding of the Windows font mapper, so the pixel height does
// not depend on the surface's setting. A size of 0 or less is 12 points.
int FontPixelSize(int32_t size, int ppi);

// The story font as the settings say: transparent background, fixed pitch
// requested, no antialiasing. Rebuilt only when the name or size changes.
struct StoryFontCache {
  std::string name;
  int32_t size = 0;
  int ppi = 0;
  bool valid = false;
  QFont font;
};

}  // namespace mirt
