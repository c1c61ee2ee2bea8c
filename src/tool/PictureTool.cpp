// encode, decode and convert: packed pictures to and from BMP and PNG, any
// picture the player shows to a 24-bit BMP.
#include <QBuffer>
#include <QImage>
#include <cstring>

#include "graphics/BmpDecoder.h"
#include "graphics/JpegDecoder.h"
#include "graphics/PackedPicture.h"
#include "tool/Tool.h"

namespace mirt::tool {
namespace {

bool IsPacked(const std::vector<uint8_t>& b) {
  return b.size() >= 4 && std::memcmp(b.data(), "ARC1", 4) == 0;
}

std::optional<std::vector<uint8_t>> PngBytes(const QImage& img) {
  QByteArray a;
  QBuffer buffer(&a);
  if (!buffer.open(QIODevice::WriteOnly) || !img.save(&buffer, "PNG")) return std::nullopt;
  return std::vector<uint8_t>(a.begin(), a.end());
}

std::string PackedProblem(PackedStatus s) {
  switch (s) {
    case PackedStatus::kNotPacked: return "not a packed picture (no ARC1 mark)";
    case PackedStatus::kTruncated: return "the packed data end early";
    case PackedStatus::kBadTree: return "the code tree has more than 255 inner nodes";
    case PackedStatus::kTooLarge: return "the unpacked length is too large";
    case PackedStatus::kNotBitmap: return "the unpacked bytes are not a bitmap";
    case PackedStatus::kOk: break;
  }
  return "";
}

// Reads any picture the player knows, or PNG.
bool ReadPicture(const std::string& path, QImage& img, std::ostream& err) {
  auto b = ReadHostFile(path);
  if (!b) {
    err << "mirt-tool: cannot read " << path << "\n";
    return false;
  }
  if (IsPacked(*b)) {
    PackedStatus status = PackedStatus::kOk;
    if (DecodePacked(b->data(), b->size(), img, &status)) return true;
    err << "mirt-tool: " << path << ": " << PackedProblem(status) << "\n";
    return false;
  }
  if (DecodeBmp(b->data(), b->size(), img) || DecodeJpeg(b->data(), b->size(), img) ||
      img.loadFromData(b->data(), static_cast<int>(b->size())))
    return true;
  err << "mirt-tool: " << path << ": not a picture (BMP, JPEG, PNG or packed)\n";
  return false;
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes, std::ostream& err) {
  std::string why;
  if (WriteHostFile(path, bytes, &why)) return true;
  err << "mirt-tool: " << why << "\n";
  return false;
}

}  // namespace

int Encode(const Args& args, std::ostream&, std::ostream& err) {
  if (args.size() != 2 || (Extension3(args[0]) != "BMP" && Extension3(args[0]) != "PNG")) {
    err << "usage: mirt-tool encode IN.bmp|IN.png OUT\n";
    return kExitUsage;
  }
  auto b = ReadHostFile(args[0]);
  if (!b) {
    err << "mirt-tool: cannot read " << args[0] << "\n";
    return kExitFailed;
  }
  QImage img;
  std::vector<uint8_t> packed;
  if (DecodeBmp(b->data(), b->size(), img)) {
    packed = EncodePacked(b->data(), b->size());  // the bitmap file, byte for byte
  } else if (Extension3(args[0]) == "PNG" &&
             img.loadFromData(b->data(), static_cast<int>(b->size()), "PNG")) {
    packed = EncodePacked(img);
  } else {
    err << "mirt-tool: " << args[0] << ": not a "
        << (Extension3(args[0]) == "PNG" ? "PNG picture" : "bitmap the player reads") << "\n";
    return kExitFailed;
  }
  // What the player will unpack must be what was meant.
  std::vector<uint8_t> check;
  if (packed.empty() || UnpackPacked(packed.data(), packed.size(), check) != PackedStatus::kOk) {
    err << "mirt-tool: " << args[0] << ": cannot be packed\n";
    return kExitFailed;
  }
  return Write(args[1], packed, err) ? kExitOk : kExitFailed;
}

int Decode(const Args& args, std::ostream&, std::ostream& err) {
  if (args.size() != 2 || (Extension3(args[1]) != "BMP" && Extension3(args[1]) != "PNG")) {
    err << "usage: mirt-tool decode IN OUT.bmp|OUT.png\n";
    return kExitUsage;
  }
  auto b = ReadHostFile(args[0]);
  if (!b) {
    err << "mirt-tool: cannot read " << args[0] << "\n";
    return kExitFailed;
  }
  std::vector<uint8_t> bitmap;
  PackedStatus status = UnpackPacked(b->data(), b->size(), bitmap);
  QImage img;
  if (status == PackedStatus::kOk && !DecodeBmp(bitmap.data(), bitmap.size(), img))
    status = PackedStatus::kNotBitmap;
  if (status != PackedStatus::kOk) {
    err << "mirt-tool: " << args[0] << ": " << PackedProblem(status) << "\n";
    return kExitFailed;
  }
  if (Extension3(args[1]) == "BMP") return Write(args[1], bitmap, err) ? kExitOk : kExitFailed;
  auto png = PngBytes(img);
  if (!png) {
    err << "mirt-tool: cannot make a PNG of " << args[0] << "\n";
    return kExitFailed;
  }
  return Write(args[1], *png, err) ? kExitOk : kExitFailed;
}

int Convert(const Args& args, std::ostream&, std::ostream& err) {
  if (args.size() != 2 || Extension3(args[1]) != "BMP") {
    err << "usage: mirt-tool convert IN OUT.bmp\n";
    return kExitUsage;
  }
  QImage img;
  if (!ReadPicture(args[0], img, err)) return kExitFailed;
  std::vector<uint8_t> bmp = EncodeBmp24(img);
  if (bmp.empty()) {
    err << "mirt-tool: cannot make a bitmap of " << args[0] << "\n";
    return kExitFailed;
  }
  return Write(args[1], bmp, err) ? kExitOk : kExitFailed;
}

}  // namespace mirt::tool
