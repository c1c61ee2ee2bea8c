#include "shell/SavePreview.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

#include "common/Encoding.h"
#include "common/Png.h"
#include "save/GameFiles.h"
#include "save/SaveSlots.h"

namespace mirt {
namespace {

// The text chunk's keyword; its value is the line in UTF-8.
const QString kLineKey = QStringLiteral("Description");
// A preview is some tens of kilobytes; anything far larger is no preview.
constexpr size_t kMaxPreviewBytes = 4u << 20;

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
  if (!PngChunksFit(bytes.data(), bytes.size())) return std::nullopt;
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
