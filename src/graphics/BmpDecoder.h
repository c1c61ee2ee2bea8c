// Windows bitmap files in memory: our own reader (no Qt image plugin) and a
// 24-bit writer.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mirt {

// Limits that every picture decoder applies before allocating anything.
constexpr int kMaxPictureSide = 16384;
constexpr uint64_t kMaxPicturePixels = uint64_t{64} << 20;

// True when width x height is a picture size the decoders accept.
bool PictureSizeAcceptable(int64_t width, int64_t height, uint64_t maxPixels = kMaxPicturePixels);

// Decodes a complete BMP file ("BM", file header, information header,
// colour table, pixel rows). Accepts the core (12-byte), information
// (40-byte), OS/2 2 (64), V2 (52), V3 (56), V4 (108) and V5 (124) headers;
// 1, 4 and 8 bits with colour table, 16, 24 and 32 bits, bit fields (also
// with an alpha mask), RLE4, RLE8, and top-down rows (negative height).
//
// The result is QImage::Format_RGB32; any alpha channel is dropped, since
// the engine composes with key colours. Palette indexes beyond the colour
// table give black; pixels that an RLE stream skips (deltas, early ends of
// line or bitmap, a stream that ends early) take colour-table entry 0.
// Uncompressed rows must all be present (the padding of the last row may
// be missing). On failure out is left untouched.
bool DecodeBmp(const uint8_t* data, size_t size, QImage& out,
               uint64_t maxPixels = kMaxPicturePixels);

// A bottom-up 24-bit BI_RGB bitmap file of img (any format; alpha dropped)
// at 96 dpi. Empty when img is null. The test pictures, the packed-picture
// encoder and the benchmarks write their bitmaps with it.
std::vector<uint8_t> EncodeBmp24(const QImage& img);

// The screen capture's file: img through Qt's bitmap writer, as an RGB32
// picture at 96 dpi whatever the screen's resolution, which makes it the
// same bytes as EncodeBmp24's. Empty when img is null or Qt fails.
std::vector<uint8_t> EncodeCaptureBmp(const QImage& img);

}  // namespace mirt
