// JPEG pictures in memory, through libjpeg.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mirt {

// Decodes a baseline or progressive JPEG (grey, YCbCr, RGB, CMYK or YCCK)
// into QImage::Format_RGB32. Library errors, a stream that ends before the
// last scan line (libjpeg would pad it with grey) and bad entropy codes make
// it fail; out is then left untouched. Refuses pictures over the decoders'
// size limits before allocating their pixels.
bool DecodeJpeg(const uint8_t* data, size_t size, QImage& out);

// A baseline JPEG file of img (any format; alpha dropped) at the given
// quality (1..100). Empty when img is null.
std::vector<uint8_t> EncodeJpeg(const QImage& img, int quality);

}  // namespace mirt
