#include "script/Archive.h"

#include <cstring>

#include "common/LittleEndian.h"
#include "script/CFile.h"

namespace mirt {
namespace {

bool ReadDirectory(CFile& f, std::vector<ArchiveEntry>& dir, uint32_t* fileSize) {
  *fileSize = f.Size();
  uint8_t head[4];
  if (f.Read(head, 4) != 4) return false;
  uint64_t count = ReadLe32(head);
  // A count beyond what the file can hold is cut to what is there.
  uint64_t room = (*fileSize - 4) / kArchiveEntrySize;
  if (count > room) count = room;
  std::vector<uint8_t> bytes(4 + count * kArchiveEntrySize);
  std::memcpy(bytes.data(), head, 4);
  uint32_t want = static_cast<uint32_t>(count * kArchiveEntrySize);
  uint32_t got = f.Read(bytes.data() + 4, want);
  dir = ParseArchiveDirectory(bytes.data(), 4 + got);
  return true;
}

std::optional<std::vector<uint8_t>> ReadEntry(CFile& f, const ArchiveEntry& e, uint32_t fileSize) {
  if (e.offset > fileSize || e.size > fileSize - e.offset) return std::nullopt;
  std::vector<uint8_t> data(e.size);
  if (!f.Seek(e.offset)) return std::nullopt;
  if (f.Read(data.data(), e.size) != e.size) return std::nullopt;
  return data;
}

}  // namespace

std::vector<ArchiveEntry> ParseArchiveDirectory(const uint8_t* data, size_t size) {
  std::vector<ArchiveEntry> dir;
  if (size < 4) return dir;
  uint64_t count = ReadLe32(data);
  uint64_t room = (size - 4) / kArchiveEntrySize;
  if (count > room) count = room;
  dir.reserve(count);
  for (uint64_t i = 0; i < count; ++i) {
    const uint8_t* p = data + 4 + i * kArchiveEntrySize;
    ArchiveEntry e;
    e.size = ReadLe32(p);
    e.offset = ReadLe32(p + 4);
    const char* name = reinterpret_cast<const char*>(p + 10);
    e.name.assign(name, strnlen(name, 41));
    dir.push_back(std::move(e));
  }
  return dir;
}

std::optional<ArchiveEntry> FindArchiveEntry(const std::vector<ArchiveEntry>& dir,
                                             const std::string& name) {
  std::string want = UpperAscii(name);
  for (const ArchiveEntry& e : dir)
    if (UpperAscii(e.name) == want) return e;
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> ReadArchiveMember(const std::string& archiveName,
                                                      const std::string& name) {
  CFile f;
  if (archiveName.empty() || !f.Open(archiveName, CFile::kExisting)) return std::nullopt;
  std::vector<ArchiveEntry> dir;
  uint32_t size;
  if (!ReadDirectory(f, dir, &size)) return std::nullopt;
  auto e = FindArchiveEntry(dir, name);
  if (!e) return std::nullopt;
  return ReadEntry(f, *e, size);
}

std::optional<std::vector<ArchiveEntry>> ReadArchiveDirectory(const std::string& archiveName) {
  CFile f;
  if (archiveName.empty() || !f.Open(archiveName, CFile::kExisting)) return std::nullopt;
  std::vector<ArchiveEntry> dir;
  uint32_t size;
  if (!ReadDirectory(f, dir, &size)) return std::nullopt;
  return dir;
}

std::optional<std::vector<uint8_t>> ReadArchiveMemberAt(const std::string& archiveName,
                                                        size_t index, std::string* entryName) {
  CFile f;
  if (archiveName.empty() || !f.Open(archiveName, CFile::kExisting)) return std::nullopt;
  std::vector<ArchiveEntry> dir;
  uint32_t size;
  if (!ReadDirectory(f, dir, &size) || index >= dir.size()) return std::nullopt;
  if (entryName) *entryName = dir[index].name;
  return ReadEntry(f, dir[index], size);
}

void InvertArchiveBytes(std::vector<uint8_t>& bytes) {
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(~b);
}

bool BuildArchive(const std::vector<ArchiveMember>& members, std::vector<uint8_t>& out,
                  std::string* error) {
  uint64_t total = 4 + uint64_t{kArchiveEntrySize} * members.size();
  for (const ArchiveMember& m : members) {
    if (m.name.empty() || m.name.find('\0') != std::string::npos) {
      if (error) *error = "an entry needs a name without NUL bytes";
      return false;
    }
    if (m.name.size() > kArchiveNameMax) {
      if (error)
        *error = "name longer than " + std::to_string(kArchiveNameMax) + " bytes: " + m.name;
      return false;
    }
    total += m.data.size();
  }
  if (total > UINT32_MAX) {
    if (error) *error = "the archive would be larger than 4 GiB";
    return false;
  }
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(total));
  AppendLe32(bytes, static_cast<uint32_t>(members.size()));
  uint32_t offset = static_cast<uint32_t>(4 + kArchiveEntrySize * members.size());
  for (const ArchiveMember& m : members) {
    AppendLe32(bytes, static_cast<uint32_t>(m.data.size()));
    AppendLe32(bytes, offset);
    bytes.resize(bytes.size() + 2, 0);
    bytes.insert(bytes.end(), m.name.begin(), m.name.end());
    bytes.resize(bytes.size() + (kArchiveEntrySize - 10 - m.name.size()), 0);
    offset += static_cast<uint32_t>(m.data.size());
  }
  for (const ArchiveMember& m : members) bytes.insert(bytes.end(), m.data.begin(), m.data.end());
  out = std::move(bytes);
  return true;
}

}  // namespace mirt
