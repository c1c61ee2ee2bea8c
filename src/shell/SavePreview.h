// The small pictures of the saves: a PNG of the screen beside each slot
// file in the game's save folder, carrying the first text line of the page
// that was on screen.
#pragma once

#include <QImage>
#include <optional>
#include <string>
#include <vector>

namespace mirt {

constexpr int kPreviewWidth = 160;
constexpr int kPreviewHeight = 120;

// "mirt-data_N.png" for slot N (0..9), "mirt-quick.png" for the quick slot
// (any other number).
std::string PreviewFileName(int slot);

// The screen scaled down with the line (CP932) in its text chunk; empty
// when it cannot be encoded.
std::vector<uint8_t> EncodePreview(const QImage& screen, const std::string& cp932Line);

struct SavePreview {
  QImage picture;
  std::string line;  // CP932
};
// A preview's picture and line from the bytes of its file; nothing for
// bytes that are no picture.
std::optional<SavePreview> DecodePreview(const std::vector<uint8_t>& bytes);

// The preview file of a slot, when it exists and reads as one.
std::optional<SavePreview> ReadPreview(int slot);
// Writes the preview file of a slot (aside, then renamed); false when it
// could not be written.
bool WritePreview(int slot, const QImage& screen, const std::string& cp932Line);

}  // namespace mirt
