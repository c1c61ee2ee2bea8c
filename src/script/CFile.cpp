#include "script/CFile.h"

#include <new>

#include "platform/HostFiles.h"

namespace mirt {

bool CFile::Open(const std::string& cp932Name, int mode) {
  Close();
  if (mode == kExisting) {
    std::string path = ResolveExisting(cp932Name);
    if (path.empty()) {
      if (ImageSource* img = CurrentImage()) {
        std::optional<ImageFileRef> f = img->Find(cp932Name);
        if (!f) return false;
        inImage_ = true;
        image_ = *f;
        imagePos_ = 0;
        return true;
      }
      return false;
    }
    fd_ = HostOpenExisting(path, nullptr);
  } else {
    std::string path = ResolveForCreate(cp932Name);
    if (path.empty()) return false;
    fd_ = HostCreate(path);
  }
  return fd_ >= 0;
}

void CFile::Close() {
  HostClose(fd_);
  fd_ = -1;
  inImage_ = false;
}

uint32_t CFile::Read(void* buf, uint32_t n) {
  if (inImage_) {
    ImageSource* img = CurrentImage();
    uint32_t got = img ? img->ReadAt(image_, imagePos_, buf, n) : 0;
    imagePos_ += got;
    return got;
  }
  if (fd_ < 0) return 0;
  return static_cast<uint32_t>(HostRead(fd_, buf, n));
}

uint32_t CFile::Write(const void* buf, uint32_t n) {
  if (fd_ < 0) return 0;
  return static_cast<uint32_t>(HostWrite(fd_, buf, n));
}

uint32_t CFile::Size() {
  if (inImage_) return image_.size;
  if (fd_ < 0) return 0;
  int64_t s = HostSize(fd_);
  return s > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<uint32_t>(s);
}

bool CFile::Seek(uint32_t offset) {
  if (inImage_) {
    imagePos_ = offset;
    return true;
  }
  return fd_ >= 0 && HostSeek(fd_, offset);
}

int CFile::ReadAll(std::vector<uint8_t>& out) {
  // A file too large for memory fails the read like a missing one; it must
  // not end the program.
  try {
    out.assign(Size(), 0);
  } catch (const std::bad_alloc&) {
    out.clear();
    Close();
    return 0;
  }
  uint32_t got = Read(out.data(), static_cast<uint32_t>(out.size()));
  out.resize(got);
  Close();
  return 1;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& cp932Name) {
  CFile f;
  std::vector<uint8_t> bytes;
  if (!f.Open(cp932Name, CFile::kExisting) || !f.ReadAll(bytes)) return std::nullopt;
  return bytes;
}

bool FileExists(const std::string& cp932Name) {
  std::string path = ResolveExisting(cp932Name);
  if (path.empty()) {
    ImageSource* img = CurrentImage();
    return img && img->Exists(cp932Name);
  }
  int fd = HostOpenReadOnly(path);
  if (fd < 0) return false;
  HostClose(fd);
  return true;
}

}  // namespace mirt
