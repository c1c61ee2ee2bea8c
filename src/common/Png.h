// The little of PNG the program checks itself before a picture goes to the
// decoder: the signature and the chunk lengths.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mirt {

inline constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Whether the bytes are a PNG signature and chunks up to IEND that each fit
// in what is left. libpng sets aside a chunk's claimed length before it reads
// it, so a damaged length in a file of a few kilobytes would make it ask for
// gigabytes; such bytes are refused before they reach it.
bool PngChunksFit(const uint8_t* data, size_t size);

}  // namespace mirt
