// Loading a picture by name: the graphics archive first, then a plain file.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <string>

namespace mirt {

enum class PictureKind { kBmp, kJpeg, kPacked, kNone };

// The kind of an archive entry: "BMP", "JPG" by the last three characters
// of the name (a to z upper-cased), a packed picture for everything else.
PictureKind ArchivePictureKind(const std::string& name);
// The kind of a plain file: "BMP", "JPG", "CCG"; kNone for anything else.
PictureKind PlainPictureKind(const std::string& name);

// Decodes bytes of the given kind into out (untouched on failure). Sets
// *badTree when a packed picture's code tree has a 256th internal node.
bool DecodePicture(PictureKind kind, const uint8_t* data, size_t size, QImage& out,
                   bool* badTree = nullptr);

// The entry of graphicsArchiveName called cp932Name when it exists and
// decodes, else the plain file. False only when neither the entry nor a
// file of that name exists; an existing file of no known kind, or one that
// does not decode, leaves out as it was and counts as loaded. When a packed
// picture has a malformed code tree, *errorMessage is set to "エラー"
// (CP932) for the caller's message box; otherwise it is left alone.
bool LoadPicture(const std::string& cp932Name, const std::string& graphicsArchiveName, QImage& out,
                 std::string* errorMessage);

}  // namespace mirt
