#include "graphics/PictureCache.h"

#include "graphics/PictureLoader.h"
#include "platform/HostFiles.h"
#include "script/Archive.h"

namespace mirt {
namespace {

// "path|size|mtime|ctime|inode" of a game file, "-" when there is none.
std::string FileStamp(const std::string& cp932Name) {
  if (cp932Name.empty()) return "-";
  const std::string path = ResolveExisting(cp932Name);
  const FileIdentity id = HostFileIdentity(path);
  if (!id.exists) return "-";
  return path + "|" + std::to_string(id.size) + "|" + std::to_string(id.modifiedNs) + "|" +
         std::to_string(id.changedNs) + "|" + std::to_string(id.inode);
}

size_t ImageBytes(const QImage& img) { return img.isNull() ? 0 : size_t(img.sizeInBytes()); }

}  // namespace

bool PictureCache::Load(const std::string& cp932Name, const std::string& archiveName, QImage& out,
                        std::string* errorMessage) {
  if (!enabled) {
    QImage img;
    bool ok = LoadPicture(cp932Name, archiveName, img, errorMessage);
    out = img.isNull() ? QImage() : img.convertToFormat(QImage::Format_RGB32);
    return ok;
  }
  // The archive lookup ignores the case of a to z; so does the plain file's.
  const std::string key =
      UpperAscii(cp932Name) + '\0' + FileStamp(archiveName) + '\0' + FileStamp(cp932Name);
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->key != key) continue;
    entries_.splice(entries_.begin(), entries_, it);
    ++hits;
    out = it->image;
    if (errorMessage && !it->error.empty()) *errorMessage = it->error;
    return it->loaded;
  }
  ++misses;
  Entry e;
  e.key = key;
  e.loaded = LoadPicture(cp932Name, archiveName, e.image, &e.error);
  if (!e.image.isNull()) e.image = e.image.convertToFormat(QImage::Format_RGB32);
  out = e.image;
  if (errorMessage && !e.error.empty()) *errorMessage = e.error;
  const bool loaded = e.loaded;
  const size_t size = ImageBytes(e.image);
  if (size <= byteBudget) {
    bytes_ += size;
    entries_.push_front(std::move(e));
    while ((bytes_ > byteBudget || entries_.size() > entryLimit) && !entries_.empty()) {
      bytes_ -= ImageBytes(entries_.back().image);
      entries_.pop_back();
    }
  }
  return loaded;
}

void PictureCache::Clear() {
  entries_.clear();
  bytes_ = 0;
}

}  // namespace mirt
