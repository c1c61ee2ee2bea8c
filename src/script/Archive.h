// The archive directory shared by the scenario, picture, WAVE and MIDI
// archives: a little-endian u32 entry count, then count records of 52 bytes
// (u32 size, u32 absolute offset, 2 reserved bytes, 42-byte NUL-terminated
// name). No magic; the data lie anywhere after the directory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/Ascii.h"

namespace mirt {

struct ArchiveEntry {
  uint32_t size = 0;
  uint32_t offset = 0;
  std::string name;  // as stored, up to the first NUL (at most 41 bytes)
};

constexpr size_t kArchiveEntrySize = 52;

// Parses a directory from the archive's leading bytes. The count is trusted
// only as far as the bytes given reach: a directory cut short yields the
// entries that are complete.
std::vector<ArchiveEntry> ParseArchiveDirectory(const uint8_t* data, size_t size);

// First entry whose name equals name, comparing with a to z upper-cased.
std::optional<ArchiveEntry> FindArchiveEntry(const std::vector<ArchiveEntry>& dir,
                                             const std::string& name);

// Opens the archive file (a game-relative CP932 name), reads its directory
// and the bytes of the entry called name. Nothing when the archive cannot be
// opened, the entry is missing, or its bytes lie outside the file.
std::optional<std::vector<uint8_t>> ReadArchiveMember(const std::string& archiveName,
                                                      const std::string& name);
// The directory of an archive file; nothing when it cannot be opened.
std::optional<std::vector<ArchiveEntry>> ReadArchiveDirectory(const std::string& archiveName);
// The same for the entry with the given index.
std::optional<std::vector<uint8_t>> ReadArchiveMemberAt(const std::string& archiveName,
                                                        size_t index,
                                                        std::string* entryName = nullptr);

// The bytes of a scenario archive's entries are stored inverted (255 - b);
// the same operation turns them back.
void InvertArchiveBytes(std::vector<uint8_t>& bytes);

// Longest entry name the 42-byte field holds with its NUL.
constexpr size_t kArchiveNameMax = 41;

struct ArchiveMember {
  std::string name;  // CP932, at most kArchiveNameMax bytes
  std::vector<uint8_t> data;
};

// An archive of the members in the order given: the count, the directory
// (reserved bytes and the rest of each name field zero), then the members'
// bytes one after another. False, with *error saying why, when a name is
// empty, holds a NUL or does not fit its field, or when the archive would
// not fit the 32-bit offsets; out is then left as it was.
bool BuildArchive(const std::vector<ArchiveMember>& members, std::vector<uint8_t>& out,
                  std::string* error);

}  // namespace mirt
