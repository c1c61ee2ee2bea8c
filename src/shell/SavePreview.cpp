#include "shell/SavePreview.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>

#include "common/Encoding.h"
#include "save/GameFiles.h"
#include "save/SaveSlots.h"

namespace mirt {
namespace {

// The text chunk's keyword; its value is the line in UTF-8.
const QString kLineKey = QStringLiteral("Description");
// A preview is some tens of kilobytes; anything far larger is no preview.
constexpr size_t kMaxPreviewBytes = 4u << 20;

// Whether the bytes are a PNG signature and chunks that each fit in what is
// left. libpng sets aside a chunk's claimed length before it reads it, so a
// damaged length in a file of a few kilobytes would make it ask for
// gigabytes; such a file is refused here.
bool PngChunksFit(const std::vector<uint8_t>& bytes) {
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() < sizeof kSignature || !std::equal(kSignature, kSignature + 8, bytes.begin()))
    return false;
  size_t at = sizeof kSignature;
  while (bytes.size() - at >= 12) {  // length, type, data, CRC
    const uint32_t length = uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 |
                            uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
    if (length > bytes.size() - at - 12) return false;
    if (std::equal(bytes.begin() + long(at) + 4, bytes.begin() + long(at) + 8, "IEND")) return true;
    at += 12 + size_t(length);
  }
  return false;
}

}  // namespace

std::string PreviewFileName(int slot) {
  if (slot < 0 || slot >= SaveSlots::kCount) return "mirt-quick.png";
  return "mirt-data_" + std::to_string(slot) + ".png";
}

std::vector<uint8_t> EncodePreview(const QImage& screen, const std::string& cp932Line) {
  if (screen.isNull()) return {};
  QImage small =
      screen.convertToFormat(QImage::Format_RGB32)
          .scaled(kPreviewWidth, kPreviewHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  writer.setText(kLineKey, QString::fromStdString(cp932ToUtf8(cp932Line)));
  if (!writer.write(small)) return {};
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::optional<SavePreview> DecodePreview(const std::vector<uint8_t>& bytes) {
  if (!PngChunksFit(bytes)) return std::nullopt;
  QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "png");
  // A file that claims a huge picture is not decoded.
  const QSize size = reader.size();
  if (!size.isValid() || size.width() > 4 * kPreviewWidth || size.height() > 4 * kPreviewHeight)
    return std::nullopt;
  SavePreview p;
  p.line = utf8ToCp932(reader.text(kLineKey).toStdString());
  if (!reader.read(&p.picture) || p.picture.isNull()) return std::nullopt;
  return p;
}

std::optional<SavePreview> ReadPreview(int slot) {
  const auto bytes = ReadGameFile(PreviewFileName(slot), kMaxPreviewBytes);
  if (!bytes) return std::nullopt;
  return DecodePreview(*bytes);
}

bool WritePreview(int slot, const QImage& screen, const std::string& cp932Line) {
  const std::vector<uint8_t> png = EncodePreview(screen, cp932Line);
  return !png.empty() && WriteGameFile(PreviewFileName(slot), png);
}

}  // namespace mirt
