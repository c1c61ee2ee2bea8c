#include "graphics/PictureLoader.h"

#include <vector>

#include "graphics/BmpDecoder.h"
#include "graphics/JpegDecoder.h"
#include "graphics/PackedPicture.h"
#include "script/Archive.h"
#include "script/CFile.h"

namespace mirt {

namespace {

const char kErrorMessage[] = "\x83\x47\x83\x89\x81\x5B";  // エラー

std::string LastThree(const std::string& name) {
  return UpperAscii(name.size() >= 3 ? name.substr(name.size() - 3) : name);
}

}  // namespace

PictureKind ArchivePictureKind(const std::string& name) {
  const std::string k = LastThree(name);
  if (k == "BMP") return PictureKind::kBmp;
  if (k == "JPG") return PictureKind::kJpeg;
  return PictureKind::kPacked;
}

PictureKind PlainPictureKind(const std::string& name) {
  const std::string k = LastThree(name);
  if (k == "BMP") return PictureKind::kBmp;
  if (k == "JPG") return PictureKind::kJpeg;
  if (k == "CCG") return PictureKind::kPacked;
  return PictureKind::kNone;
}

bool DecodePicture(PictureKind kind, const uint8_t* data, size_t size, QImage& out, bool* badTree) {
  switch (kind) {
    case PictureKind::kBmp: return DecodeBmp(data, size, out);
    case PictureKind::kJpeg: return DecodeJpeg(data, size, out);
    case PictureKind::kPacked: {
      PackedStatus st;
      const bool ok = DecodePacked(data, size, out, &st);
      if (badTree) *badTree = st == PackedStatus::kBadTree;
      return ok;
    }
    case PictureKind::kNone: break;
  }
  return false;
}

bool LoadPicture(const std::string& cp932Name, const std::string& graphicsArchiveName, QImage& out,
                 std::string* errorMessage) {
  bool badTree = false;
  if (!graphicsArchiveName.empty()) {
    if (auto bytes = ReadArchiveMember(graphicsArchiveName, cp932Name)) {
      // Undecodable entries (no "ARC1", corrupt data) fall through to the file.
      if (DecodePicture(ArchivePictureKind(cp932Name), bytes->data(), bytes->size(), out, &badTree))
        return true;
      if (badTree && errorMessage) *errorMessage = kErrorMessage;
    }
  }
  const PictureKind kind = PlainPictureKind(cp932Name);
  if (kind == PictureKind::kNone) return FileExists(cp932Name);
  auto bytes = ReadWholeFile(cp932Name);
  if (!bytes) return false;
  bool fileBadTree = false;
  DecodePicture(kind, bytes->data(), bytes->size(), out, &fileBadTree);
  if (fileBadTree && errorMessage) *errorMessage = kErrorMessage;
  return true;
}

}  // namespace mirt
