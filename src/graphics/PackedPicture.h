// Packed pictures: a BMP file compressed with a static Huffman code.
//
//   0  "ARC1"
//   4  unpacked length L (little-endian u32)
//   8  bit stream, most significant bit of each byte first, no alignment:
//      the code tree in pre-order (1 = internal node: left subtree, then
//      right subtree; 0 = leaf followed by its 8-bit byte value), then the
//      codes of the L bytes (0 = left, 1 = right). A tree that is a single
//      leaf stands for L copies of its byte and is followed by no codes.
//
// Internal nodes are numbered 256.. in reading order; a tree may have at
// most 255 of them (numbers 256..510), which is all that 256 leaves need.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mirt {

enum class PackedStatus {
  kOk,
  kNotPacked,  // shorter than the header or no "ARC1"
  kTruncated,  // the bit stream ends before the tree or the L bytes do
  kBadTree,    // a 256th internal node: the caller shows "エラー"
  kTooLarge,   // L beyond maxLength
  kNotBitmap,  // unpacked fine, but the bytes are not a decodable BMP
};

constexpr size_t kPackedHeaderSize = 8;
// The largest bitmap file the picture decoders could accept, plus slack.
constexpr uint32_t kMaxUnpackedLength = (uint32_t{256} << 20) + (uint32_t{1} << 16);

// Unpacks a whole packed file (header included) into bytes, exactly L of
// them. On failure bytes is left untouched.
PackedStatus UnpackPacked(const uint8_t* data, size_t size, std::vector<uint8_t>& bytes,
                          uint32_t maxLength = kMaxUnpackedLength);

// Unpacks and decodes the bitmap inside. On failure out is left untouched;
// status (when given) tells why.
bool DecodePacked(const uint8_t* data, size_t size, QImage& out, PackedStatus* status = nullptr);

// Packs bytes (normally a BMP file) with a Huffman code built from their
// byte frequencies. Empty when size does not fit the 32-bit length field.
std::vector<uint8_t> EncodePacked(const uint8_t* bytes, size_t size);
// Packs img as a 24-bit BMP file.
std::vector<uint8_t> EncodePacked(const QImage& img);

}  // namespace mirt
