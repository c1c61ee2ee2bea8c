// Pictures and graphics archives made on the fly for the picture tests.
#pragma once

#include <QImage>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "graphics/BmpDecoder.h"
#include "graphics/PackedPicture.h"

namespace mirt_test {

inline QImage Solid(int w, int h, QRgb colour) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(colour);
  return img;
}

inline std::string BmpFile(const QImage& img) {
  std::vector<uint8_t> b = mirt::EncodeBmp24(img);
  return std::string(b.begin(), b.end());
}

inline std::string PackedFile(const QImage& img) {
  std::vector<uint8_t> b = mirt::EncodePacked(img);
  return std::string(b.begin(), b.end());
}

// A graphics archive: the count, 52-byte entries, then the data in order.
inline std::string ArchiveFile(const std::vector<std::pair<std::string, std::string>>& members) {
  auto le32 = [](std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += char(v >> (8 * i));
  };
  std::string dir, data;
  le32(dir, uint32_t(members.size()));
  const size_t base = 4 + 52 * members.size();
  for (const auto& [name, bytes] : members) {
    le32(dir, uint32_t(bytes.size()));
    le32(dir, uint32_t(base + data.size()));
    std::string field(44, '\0');
    std::memcpy(&field[2], name.data(), std::min<size_t>(name.size(), 41));
    dir += field;
    data += bytes;
  }
  return dir + data;
}

inline QRgb Rgb(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFFu; }

}  // namespace mirt_test
