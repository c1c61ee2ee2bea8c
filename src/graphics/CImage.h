// A 640x480 off-screen surface of 32-bit pixels with direct access, the
// working picture of the pixel transitions.
//
// Each pixel holds blue in bits 0-7, green in bits 8-15 and red in bits
// 16-23; rows run top to bottom, row y starting at pixel y * 640. The top
// byte is scratch: the pixel effects neither keep nor read it.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>

#include "common/ScreenSize.h"

namespace mirt {

class CImage {
 public:
  static constexpr int kWidth = kScreenWidth;
  static constexpr int kHeight = kScreenHeight;
  static constexpr int kPixels = kWidth * kHeight;

  // A black surface.
  CImage();
  // A copy of the 640x480 contents of source, converted to 32 bits; parts
  // of the surface that source does not cover stay black.
  explicit CImage(const QImage& source);
  // Replaces the contents as the constructor from a picture does.
  void Load(const QImage& source);

  uint32_t* Pixels() { return pixels_.get(); }
  const uint32_t* Pixels() const { return pixels_.get(); }
  uint32_t* Row(int y) { return pixels_.get() + y * kWidth; }
  const uint32_t* Row(int y) const { return pixels_.get() + y * kWidth; }

  // Writes the surface into target, which becomes a 640x480 RGB32 image
  // (opaque whatever the scratch byte holds).
  void CopyTo(QImage& target) const;

 private:
  std::unique_ptr<uint32_t[]> pixels_;
};

// One step of the cross-fade over the 640x480 pixels of w and s: each
// colour channel of w becomes floor((s * d + w * (256 - d)) / 256), and out
// receives the result, opaque. d is 0..256.
void CrossFadeStep(uint32_t* w, const uint32_t* s, uint32_t* out, uint32_t d);
// The same without vector instructions: red and blue in one multiply, green
// in the other.
void CrossFadeStepPortable(uint32_t* w, const uint32_t* s, uint32_t* out, uint32_t d);

// target := a 640x480 RGB32 image; kept as it is when it already is one,
// otherwise converted (a null image becomes black). Returns the first pixel.
uint32_t* PrepareWindowSurface(QImage& target);

}  // namespace mirt
