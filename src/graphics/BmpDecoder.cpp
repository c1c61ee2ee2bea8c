#include "graphics/BmpDecoder.h"

#include <QBuffer>
#include <bit>
#include <cstring>

#include "common/LittleEndian.h"

namespace mirt {

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

// One colour channel described by a bit mask, scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;  // (mask >> shift), the largest raw value

  explicit Channel(uint32_t m = 0) : mask(m) {
    if (m != 0) {
      shift = std::countr_zero(m);
      max = m >> shift;
    }
  }
  uint32_t Get(uint32_t px) const {
    if (max == 0) return 0;
    uint32_t v = (px & mask) >> shift;
    if (max == 255) return v;
    return uint32_t((uint64_t(v) * 255 + max / 2) / max);
  }
};

struct Header {
  int64_t width = 0;
  int64_t height = 0;  // always positive here
  bool topDown = false;
  int bpp = 0;
  uint32_t compression = kBiRgb;
  uint32_t colorsUsed = 0;
  uint32_t masks[3] = {0, 0, 0};
  bool haveMasks = false;
  size_t paletteOffset = 0;
  int paletteEntrySize = 4;
};

bool ParseHeader(const uint8_t* data, size_t size, Header& h) {
  if (size < 14 + 4 || data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t hdrSize = ReadLe32(data + 14);
  if (hdrSize == 12) {
    if (size < 14 + 12) return false;
    const uint8_t* p = data + 14;
    h.width = ReadLe16(p + 4);
    h.height = ReadLe16(p + 6);
    h.bpp = ReadLe16(p + 10);
    h.paletteEntrySize = 3;
    h.paletteOffset = 14 + 12;
    return h.bpp == 1 || h.bpp == 4 || h.bpp == 8 || h.bpp == 24;
  }
  if (hdrSize != 40 && hdrSize != 52 && hdrSize != 56 && hdrSize != 64 && hdrSize != 108 &&
      hdrSize != 124)
    return false;
  if (size < 14 + uint64_t{hdrSize}) return false;
  const uint8_t* p = data + 14;
  h.width = ReadLe32s(p + 4);
  const int64_t height = ReadLe32s(p + 8);
  h.topDown = height < 0;
  h.height = height < 0 ? -height : height;
  h.bpp = ReadLe16(p + 14);
  h.compression = ReadLe32(p + 16);
  h.colorsUsed = ReadLe32(p + 32);
  size_t after = 14 + hdrSize;
  if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
    if (h.bpp != 16 && h.bpp != 32) return false;
    if (hdrSize >= 52 && hdrSize != 64) {
      for (int i = 0; i < 3; ++i) h.masks[i] = ReadLe32(p + 40 + 4 * i);
    } else {
      // The masks follow the header (a fourth, alpha, one for ALPHABITFIELDS).
      const size_t n = h.compression == kBiAlphaBitfields ? 16 : 12;
      if (size < after + n) return false;
      for (int i = 0; i < 3; ++i) h.masks[i] = ReadLe32(data + after + 4 * i);
      after += n;
    }
    h.haveMasks = true;
  } else if (h.compression == kBiRle8) {
    if (h.bpp != 8) return false;
  } else if (h.compression == kBiRle4) {
    if (h.bpp != 4) return false;
  } else if (h.compression != kBiRgb) {
    return false;  // JPEG / PNG inside a bitmap, OS/2 Huffman, ...
  }
  if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32)
    return false;
  h.paletteOffset = after;
  return true;
}

}  // namespace

bool PictureSizeAcceptable(int64_t width, int64_t height, uint64_t maxPixels) {
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide)
    return false;
  return uint64_t(width) * uint64_t(height) <= maxPixels;
}

bool DecodeBmp(const uint8_t* data, size_t size, QImage& out, uint64_t maxPixels) {
  if (data == nullptr) return false;
  Header h;
  if (!ParseHeader(data, size, h)) return false;
  if (!PictureSizeAcceptable(h.width, h.height, maxPixels)) return false;
  const int w = int(h.width), ht = int(h.height);

  // Colour table: only for indexed pictures, as far as the file reaches.
  QRgb palette[256];
  for (QRgb& c : palette) c = qRgb(0, 0, 0);
  if (h.bpp <= 8) {
    uint32_t n = h.colorsUsed == 0 || h.colorsUsed > (1u << h.bpp) ? (1u << h.bpp) : h.colorsUsed;
    if (h.paletteEntrySize == 3) n = 1u << h.bpp;
    const size_t avail = size > h.paletteOffset ? (size - h.paletteOffset) / h.paletteEntrySize : 0;
    if (n > avail) n = uint32_t(avail);
    for (uint32_t i = 0; i < n; ++i) {
      const uint8_t* e = data + h.paletteOffset + size_t(i) * h.paletteEntrySize;
      palette[i] = qRgb(e[2], e[1], e[0]);
    }
  }

  uint64_t offBits = ReadLe32(data + 10);
  if (offBits < h.paletteOffset || offBits > size) {
    // A zero or impossible offset: the rows follow the colour table.
    uint64_t entries = 0;
    if (h.bpp <= 8)
      entries = h.colorsUsed && h.colorsUsed < (1u << h.bpp) && h.paletteEntrySize == 4
                    ? h.colorsUsed
                    : (1u << h.bpp);
    offBits = h.paletteOffset + entries * h.paletteEntrySize;
    if (offBits > size) return false;
  }
  const uint8_t* pixels = data + offBits;
  const size_t avail = size - size_t(offBits);

  QImage img(w, ht, QImage::Format_RGB32);
  if (img.isNull()) return false;
  auto row = [&](int64_t fileRow) {  // file rows run bottom-up unless top-down
    const int y = h.topDown ? int(fileRow) : ht - 1 - int(fileRow);
    return reinterpret_cast<QRgb*>(img.scanLine(y));
  };

  if (h.compression == kBiRle8 || h.compression == kBiRle4) {
    img.fill(palette[0]);
    const bool four = h.compression == kBiRle4;
    size_t i = 0;
    int64_t x = 0, y = 0;
    auto put = [&](unsigned idx) {
      if (x < w && y < ht) row(y)[x] = palette[idx];
      ++x;
    };
    while (i + 2 <= avail && y < ht) {
      const unsigned count = pixels[i], value = pixels[i + 1];
      i += 2;
      if (count > 0) {
        for (unsigned k = 0; k < count; ++k)
          put(four ? ((k & 1) ? value & 15 : value >> 4) : value);
      } else if (value == 0) {  // end of line
        x = 0;
        ++y;
      } else if (value == 1) {  // end of bitmap
        break;
      } else if (value == 2) {  // delta
        if (i + 2 > avail) break;
        x += pixels[i];
        y += pixels[i + 1];
        i += 2;
      } else {  // absolute run of `value` pixels, padded to 16 bits
        const size_t bytes = four ? (value + 1) / 2 : value;
        const size_t padded = (bytes + 1) & ~size_t{1};
        if (i + bytes > avail) break;
        for (unsigned k = 0; k < value; ++k) {
          const uint8_t b = pixels[i + (four ? k / 2 : k)];
          put(four ? ((k & 1) ? b & 15 : b >> 4) : b);
        }
        i += padded;
      }
    }
    out = img;
    return true;
  }

  const uint64_t stride = ((uint64_t(w) * h.bpp + 31) / 32) * 4;
  const uint64_t lastRow = (uint64_t(w) * h.bpp + 7) / 8;
  if (stride * uint64_t(ht - 1) + lastRow > avail) return false;

  Channel r, g, b;
  if (h.haveMasks) {
    r = Channel(h.masks[0]);
    g = Channel(h.masks[1]);
    b = Channel(h.masks[2]);
  } else if (h.bpp == 16) {
    r = Channel(0x7C00);
    g = Channel(0x03E0);
    b = Channel(0x001F);
  }

  for (int64_t fy = 0; fy < ht; ++fy) {
    const uint8_t* s = pixels + stride * fy;
    QRgb* d = row(fy);
    switch (h.bpp) {
      case 1:
        for (int x = 0; x < w; ++x) d[x] = palette[(s[x >> 3] >> (7 - (x & 7))) & 1];
        break;
      case 4:
        for (int x = 0; x < w; ++x) d[x] = palette[(x & 1) ? s[x >> 1] & 15 : s[x >> 1] >> 4];
        break;
      case 8:
        for (int x = 0; x < w; ++x) d[x] = palette[s[x]];
        break;
      case 16:
        for (int x = 0; x < w; ++x) {
          const uint32_t px = ReadLe16(s + 2 * x);
          d[x] = qRgb(int(r.Get(px)), int(g.Get(px)), int(b.Get(px)));
        }
        break;
      case 24:
        for (int x = 0; x < w; ++x, s += 3) d[x] = qRgb(s[2], s[1], s[0]);
        break;
      case 32:
        if (!h.haveMasks) {
          for (int x = 0; x < w; ++x, s += 4) d[x] = qRgb(s[2], s[1], s[0]);
        } else {
          for (int x = 0; x < w; ++x) {
            const uint32_t px = ReadLe32(s + 4 * x);
            d[x] = qRgb(int(r.Get(px)), int(g.Get(px)), int(b.Get(px)));
          }
        }
        break;
    }
  }
  out = img;
  return true;
}

std::vector<uint8_t> EncodeBmp24(const QImage& src) {
  if (src.isNull()) return {};
  const QImage img = src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32
                         ? src
                         : src.convertToFormat(QImage::Format_RGB32);
  const uint32_t w = uint32_t(img.width()), h = uint32_t(img.height());
  const uint32_t stride = (w * 3 + 3) & ~3u;
  const uint64_t total = 54 + uint64_t(stride) * h;
  if (total > 0xFFFFFFFFu) return {};
  std::vector<uint8_t> f(size_t(total), 0);
  auto put16 = [&](size_t o, uint16_t v) { WriteLe16(f.data() + o, v); };
  auto put32 = [&](size_t o, uint32_t v) { WriteLe32(f.data() + o, v); };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, uint32_t(total));
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  put16(26, 1);
  put16(28, 24);
  put32(34, stride * h);
  put32(38, 3780);  // 96 dpi
  put32(42, 3780);
  for (uint32_t y = 0; y < h; ++y) {
    const QRgb* s = reinterpret_cast<const QRgb*>(img.constScanLine(int(h - 1 - y)));
    uint8_t* d = f.data() + 54 + size_t(stride) * y;
    for (uint32_t x = 0; x < w; ++x, d += 3) {
      d[0] = uint8_t(qBlue(s[x]));
      d[1] = uint8_t(qGreen(s[x]));
      d[2] = uint8_t(qRed(s[x]));
    }
  }
  return f;
}

std::vector<uint8_t> EncodeCaptureBmp(const QImage& src) {
  if (src.isNull()) return {};
  QImage img = src.convertToFormat(QImage::Format_RGB32);
  img.setDotsPerMeterX(3780);
  img.setDotsPerMeterY(3780);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly) || !img.save(&buffer, "BMP")) return {};
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace mirt
