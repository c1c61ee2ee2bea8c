#include "graphics/CursorFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/BigEndian.h"
#include "common/LittleEndian.h"
#include "common/Png.h"

namespace mirt {
namespace {

// A window on the file's bytes; every read is checked against it.
struct Span {
  const uint8_t* data = nullptr;
  size_t size = 0;
  bool Has(uint64_t offset, uint64_t n) const { return offset <= size && n <= size - offset; }
  Span Sub(size_t offset, size_t n) const { return {data + offset, n}; }
};

bool ValidSide(int64_t n) { return n >= 1 && n <= kCursorMaxSide; }

// A PNG-compressed directory image: kept whole for a decoder; its size is
// what its header says. Chunks that claim more than the image holds never
// reach the decoder.
std::optional<CursorFrame> PngFrame(Span img) {
  if (!img.Has(0, 24) || !PngChunksFit(img.data, img.size)) return std::nullopt;
  if (std::memcmp(img.data + 12, "IHDR", 4) != 0) return std::nullopt;
  const int64_t w = ReadBe32(img.data + 16), h = ReadBe32(img.data + 20);
  if (!ValidSide(w) || !ValidSide(h)) return std::nullopt;
  CursorFrame f;
  f.width = int(w);
  f.height = int(h);
  f.png.assign(img.data, img.data + img.size);
  return f;
}

// A device-independent bitmap as icon and cursor files hold it: the header,
// the colour table, the colour rows and the one-bit mask rows (both bottom
// row first); the header gives the height of both together.
std::optional<CursorFrame> DibFrame(Span img) {
  if (!img.Has(0, 40)) return std::nullopt;
  const uint32_t headerSize = ReadLe32(img.data);
  if (headerSize < 40 || !img.Has(0, headerSize)) return std::nullopt;
  const int64_t width = ReadLe32s(img.data + 4);
  const int64_t doubleHeight = ReadLe32s(img.data + 8);
  const uint16_t bits = ReadLe16(img.data + 14);
  const uint32_t compression = ReadLe32(img.data + 16);
  const uint32_t coloursUsed = ReadLe32(img.data + 32);
  const int64_t height = doubleHeight / 2;
  if (!ValidSide(width) || !ValidSide(height) || compression != 0) return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return std::nullopt;

  uint64_t paletteSize = 0;
  if (bits <= 8) {
    const uint32_t most = 1u << bits;
    if (coloursUsed > most) return std::nullopt;
    paletteSize = coloursUsed ? coloursUsed : most;
  }
  const uint64_t paletteAt = headerSize;
  const uint64_t colourAt = paletteAt + paletteSize * 4;
  const uint64_t colourStride = (uint64_t(width) * bits + 31) / 32 * 4;
  const uint64_t maskAt = colourAt + colourStride * uint64_t(height);
  const uint64_t maskStride = (uint64_t(width) + 31) / 32 * 4;
  if (!img.Has(paletteAt, paletteSize * 4) || !img.Has(colourAt, colourStride * uint64_t(height)))
    return std::nullopt;
  // A 32-bit picture carries its own alpha; the others need their mask.
  const bool hasMask = img.Has(maskAt, maskStride * uint64_t(height));
  if (!hasMask && bits != 32) return std::nullopt;

  const int w = int(width), h = int(height);
  auto colourOf = [&](const uint8_t* row, int x) -> uint32_t {
    auto entry = [&](uint32_t i) -> uint32_t {
      if (i >= paletteSize) return 0;
      const uint8_t* e = img.data + paletteAt + i * 4;
      return (uint32_t(e[2]) << 16) | (uint32_t(e[1]) << 8) | e[0];
    };
    switch (bits) {
      case 1: return entry((row[x / 8] >> (7 - x % 8)) & 1);
      case 4: return entry((row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF);
      case 8: return entry(row[x]);
      case 16: {
        const uint16_t v = ReadLe16(row + x * 2);  // 5-5-5
        auto widen = [](uint32_t c) { return (c << 3) | (c >> 2); };
        return (widen((v >> 10) & 31) << 16) | (widen((v >> 5) & 31) << 8) | widen(v & 31);
      }
      case 24:
        return (uint32_t(row[x * 3 + 2]) << 16) | (uint32_t(row[x * 3 + 1]) << 8) | row[x * 3];
      default: return ReadLe32(row + x * 4);  // with its alpha byte on top
    }
  };

  bool alpha = false;
  if (bits == 32) {
    for (int y = 0; y < h && !alpha; ++y) {
      const uint8_t* row = img.data + colourAt + uint64_t(y) * colourStride;
      for (int x = 0; x < w && !alpha; ++x) alpha = row[x * 4 + 3] != 0;
    }
  }
  if (!alpha && !hasMask) return std::nullopt;

  CursorFrame f;
  f.width = w;
  f.height = h;
  f.argb.resize(size_t(w) * h);
  for (int y = 0; y < h; ++y) {
    const int from = h - 1 - y;
    const uint8_t* row = img.data + colourAt + uint64_t(from) * colourStride;
    const uint8_t* maskRow = hasMask ? img.data + maskAt + uint64_t(from) * maskStride : nullptr;
    for (int x = 0; x < w; ++x) {
      const uint32_t c = colourOf(row, x);
      uint32_t out;
      if (alpha) {
        out = c;
      } else {
        const bool screen = (maskRow[x / 8] >> (7 - x % 8)) & 1;
        const uint32_t rgb = c & 0xFFFFFF;
        // Mask set: the window shows through, or is inverted where the
        // colour is not black; a picture cannot invert, so those pixels
        // are drawn black.
        out = !screen ? 0xFF000000u | rgb : rgb == 0 ? 0u : 0xFF000000u;
      }
      f.argb[size_t(y) * w + x] = out;
    }
  }
  return f;
}

struct DirectoryEntry {
  int width, height;
  int hotX, hotY;
  uint32_t size, offset;
};

}  // namespace

std::optional<CursorFile> ParseStaticCursor(const uint8_t* data, size_t size) {
  const Span file{data, size};
  if (!file.Has(0, 6)) return std::nullopt;
  const uint16_t reserved = ReadLe16(data), type = ReadLe16(data + 2), count = ReadLe16(data + 4);
  if (reserved != 0 || (type != 1 && type != 2) || count == 0) return std::nullopt;
  if (!file.Has(6, uint64_t(count) * 16)) return std::nullopt;

  std::vector<DirectoryEntry> entries;
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = data + 6 + i * 16;
    DirectoryEntry d{e[0] ? e[0] : 256, e[1] ? e[1] : 256, 0, 0, ReadLe32(e + 8), ReadLe32(e + 12)};
    if (type == 2) {  // an icon's two words there are its planes and bits
      d.hotX = ReadLe16(e + 4);
      d.hotY = ReadLe16(e + 6);
    }
    if (file.Has(d.offset, d.size)) entries.push_back(d);
  }
  // The picture nearest the usual 32 x 32 first; the next one when it does
  // not decode.
  std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return std::abs(a.width - 32) + std::abs(a.height - 32) <
           std::abs(b.width - 32) + std::abs(b.height - 32);
  });
  for (const DirectoryEntry& d : entries) {
    const Span img = file.Sub(d.offset, d.size);
    std::optional<CursorFrame> f = PngFrame(img);
    if (!f) f = DibFrame(img);
    if (!f) continue;
    f->hotX = std::min(d.hotX, f->width - 1);
    f->hotY = std::min(d.hotY, f->height - 1);
    CursorFile out;
    out.frames.push_back(std::move(*f));
    return out;
  }
  return std::nullopt;
}

std::optional<CursorFile> ParseAnimatedCursor(const uint8_t* data, size_t size) {
  const Span file{data, size};
  if (!file.Has(0, 12) || std::memcmp(data, "RIFF", 4) != 0 ||
      std::memcmp(data + 8, "ACON", 4) != 0)
    return std::nullopt;
  const uint64_t end = std::min<uint64_t>(size, uint64_t(ReadLe32(data + 4)) + 8);

  std::vector<std::optional<CursorFrame>> frames;  // as stored, failed ones too
  std::vector<uint32_t> rates, sequence;
  uint32_t displayRate = 10;  // jiffies, 1/60 s
  bool header = false;

  auto words = [](Span chunk) {
    std::vector<uint32_t> v(chunk.size / 4);
    for (size_t i = 0; i < v.size(); ++i) v[i] = ReadLe32(chunk.data + i * 4);
    return v;
  };
  // Chunks: a four-byte name, a length, the data padded to an even length.
  for (uint64_t at = 12; at + 8 <= end;) {
    const uint8_t* id = data + at;
    const uint64_t length = ReadLe32(data + at + 4);
    if (length > end - at - 8) return std::nullopt;  // runs past the file
    const Span chunk = file.Sub(size_t(at + 8), size_t(length));
    if (std::memcmp(id, "anih", 4) == 0) {
      if (length < 36) return std::nullopt;
      displayRate = ReadLe32(chunk.data + 28);
      header = true;
    } else if (std::memcmp(id, "rate", 4) == 0) {
      rates = words(chunk);
    } else if (std::memcmp(id, "seq ", 4) == 0) {
      sequence = words(chunk);
    } else if (std::memcmp(id, "LIST", 4) == 0 && length >= 4 &&
               std::memcmp(chunk.data, "fram", 4) == 0) {
      for (uint64_t in = 4; in + 8 <= length;) {
        const uint64_t n = ReadLe32(chunk.data + in + 4);
        if (n > length - in - 8) break;
        if (std::memcmp(chunk.data + in, "icon", 4) == 0) {
          std::optional<CursorFile> c = ParseStaticCursor(chunk.data + in + 8, size_t(n));
          frames.push_back(c ? std::optional(std::move(c->frames[0])) : std::nullopt);
        }
        in += 8 + n + (n & 1);
      }
    }
    at += 8 + length + (length & 1);
  }
  if (!header) return std::nullopt;

  // The frames that parsed, and the steps that show them.
  CursorFile out;
  std::vector<size_t> index(frames.size(), SIZE_MAX);
  for (size_t i = 0; i < frames.size(); ++i) {
    if (!frames[i]) continue;
    index[i] = out.frames.size();
    out.frames.push_back(std::move(*frames[i]));
  }
  if (out.frames.empty()) return std::nullopt;
  const size_t steps = !sequence.empty() ? sequence.size()
                       : !rates.empty()  ? rates.size()
                                         : frames.size();
  for (size_t i = 0; i < steps; ++i) {
    const size_t stored = sequence.empty() ? i : sequence[i];
    if (stored >= index.size() || index[stored] == SIZE_MAX) continue;
    const uint32_t jiffies = std::max<uint32_t>(1, i < rates.size() ? rates[i] : displayRate);
    const uint32_t ms = uint32_t(std::min<uint64_t>(uint64_t(jiffies) * 1000 / 60, 60000));
    out.steps.push_back({index[stored], ms});
  }
  if (out.steps.empty()) out.steps.push_back({0, 100});
  return out;
}

std::optional<CursorFile> ParseCursorFile(const uint8_t* data, size_t size) {
  if (size >= 4 && std::memcmp(data, "RIFF", 4) == 0) return ParseAnimatedCursor(data, size);
  return ParseStaticCursor(data, size);
}

}  // namespace mirt
