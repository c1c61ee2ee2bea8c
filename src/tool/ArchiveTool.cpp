// list, unpack and pack: the four archive kinds share one directory layout;
// scenario texts are stored inverted, pictures other than BMP and JPEG as
// packed pictures.
#include <QImage>
#include <cstring>
#include <filesystem>
#include <set>

#include "common/Ascii.h"
#include "common/Encoding.h"
#include "graphics/BmpDecoder.h"
#include "graphics/JpegDecoder.h"
#include "graphics/PackedPicture.h"
#include "script/Archive.h"
#include "tool/Tool.h"

namespace mirt::tool {
namespace {

namespace fs = std::filesystem;

enum class Kind { kScenario, kPicture, kWave, kMidi };

std::optional<Kind> ParseKind(const std::string& s) {
  if (s == "scenario") return Kind::kScenario;
  if (s == "picture") return Kind::kPicture;
  if (s == "wave") return Kind::kWave;
  if (s == "midi") return Kind::kMidi;
  return std::nullopt;
}

// An archive read whole and checked: every entry complete, its data inside
// the file.
struct LoadedArchive {
  std::vector<uint8_t> bytes;
  std::vector<ArchiveEntry> entries;
};

bool LoadArchive(const std::string& path, LoadedArchive& a, std::ostream& err) {
  auto bytes = ReadHostFile(path);
  if (!bytes) {
    err << "mirt-tool: cannot read " << path << "\n";
    return false;
  }
  if (bytes->size() < 4) {
    err << "mirt-tool: " << path << ": not an archive (shorter than its entry count)\n";
    return false;
  }
  const uint64_t count = uint64_t((*bytes)[0]) | uint64_t((*bytes)[1]) << 8 |
                         uint64_t((*bytes)[2]) << 16 | uint64_t((*bytes)[3]) << 24;
  if (4 + count * kArchiveEntrySize > bytes->size()) {
    err << "mirt-tool: " << path << ": not an archive (a directory of " << count
        << " entries does not fit the file)\n";
    return false;
  }
  a.entries = ParseArchiveDirectory(bytes->data(), bytes->size());
  for (const ArchiveEntry& e : a.entries) {
    if (uint64_t{e.offset} + e.size > bytes->size()) {
      err << "mirt-tool: " << path << ": entry " << cp932ToUtf8(e.name)
          << " lies outside the file's data\n";
      return false;
    }
  }
  a.bytes = std::move(*bytes);
  return true;
}

bool AllScenarioNames(const std::vector<ArchiveEntry>& entries) {
  if (entries.empty()) return false;
  for (const ArchiveEntry& e : entries)
    if (Extension3(e.name) != "TXT") return false;
  return true;
}

// The host name an entry is written under, or "" with a reason when the
// entry's name could not be a file of the folder or could not come back as
// the same bytes.
std::string HostNameOf(const std::string& cp932, std::string* why) {
  const std::string utf8 = cp932ToUtf8(cp932);
  if (cp932.empty())
    *why = "an entry without a name";
  else if (utf8ToCp932(utf8) != cp932)
    *why = "entry name " + utf8 + " is not valid Shift-JIS";
  else if (utf8 == "." || utf8 == ".." || utf8.find('/') != std::string::npos ||
           utf8.find('\\') != std::string::npos)
    *why = "entry name " + utf8 + " would be written outside the folder";
  else
    return utf8;
  return "";
}

bool CheckSignature(Kind kind, const std::string& name, const std::vector<uint8_t>& b,
                    std::string* why) {
  auto starts = [&](const char* s, size_t at = 0) {
    size_t n = std::strlen(s);
    return b.size() >= at + n && std::memcmp(b.data() + at, s, n) == 0;
  };
  if (kind == Kind::kWave && !(starts("RIFF") && starts("WAVE", 8))) {
    *why = name + " is not a WAVE file";
    return false;
  }
  if (kind == Kind::kMidi && !starts("MThd") && !(starts("RIFF") && starts("RMID", 8))) {
    *why = name + " is not a standard MIDI file";
    return false;
  }
  return true;
}

// The bytes a picture is stored as: BMP and JPEG as they are (they must
// decode), other names as a packed picture, made by our encoder unless the
// file is one already.
bool PictureMember(const std::string& name, std::vector<uint8_t>& b, std::string* why) {
  const std::string ext = Extension3(name);
  QImage img;
  if (ext == "BMP" || ext == "JPG") {
    bool ok =
        ext == "BMP" ? DecodeBmp(b.data(), b.size(), img) : DecodeJpeg(b.data(), b.size(), img);
    if (!ok)
      *why = name + (ext == "BMP" ? " is not a bitmap the player reads"
                                  : " is not a JPEG picture the player reads");
    return ok;
  }
  if (b.size() >= 4 && std::memcmp(b.data(), "ARC1", 4) == 0) {
    PackedStatus status;
    if (!DecodePacked(b.data(), b.size(), img, &status)) {
      *why = name + " is a damaged packed picture";
      return false;
    }
    return true;
  }
  // A bitmap is packed byte for byte; other pictures become 24-bit bitmaps.
  const bool bitmap = DecodeBmp(b.data(), b.size(), img);
  if (!bitmap && !DecodeJpeg(b.data(), b.size(), img) &&
      !img.loadFromData(b.data(), static_cast<int>(b.size()))) {
    *why = name + " is not a picture (BMP, JPEG, PNG or packed)";
    return false;
  }
  std::vector<uint8_t> packed = bitmap ? EncodePacked(b.data(), b.size()) : EncodePacked(img);
  if (packed.empty()) {
    *why = name + " cannot be packed";
    return false;
  }
  b = std::move(packed);
  return true;
}

}  // namespace

int List(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) {
    err << "usage: mirt-tool list ARCHIVE\n";
    return kExitUsage;
  }
  LoadedArchive a;
  if (!LoadArchive(args[0], a, err)) return kExitFailed;
  for (const ArchiveEntry& e : a.entries)
    out << cp932ToUtf8(e.name) << "\t" << e.offset << "\t" << e.size << "\n";
  return kExitOk;
}

int Unpack(const Args& args, std::ostream& out, std::ostream& err) {
  std::optional<Kind> kind;
  Args rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--kind" && i + 1 < args.size()) {
      kind = ParseKind(args[++i]);
      if (!kind) {
        err << "mirt-tool: unknown kind " << args[i] << "\n";
        return kExitUsage;
      }
    } else
      rest.push_back(args[i]);
  }
  if (rest.size() != 2) {
    err << "usage: mirt-tool unpack [--kind scenario|picture|wave|midi] ARCHIVE DIR\n";
    return kExitUsage;
  }
  LoadedArchive a;
  if (!LoadArchive(rest[0], a, err)) return kExitFailed;
  // Without --kind, an archive of .txt entries alone is a scenario archive.
  const bool invert = kind ? *kind == Kind::kScenario : AllScenarioNames(a.entries);
  // Every name is checked before anything is written.
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (const ArchiveEntry& e : a.entries) {
    std::string why, host = HostNameOf(e.name, &why);
    if (host.empty()) {
      err << "mirt-tool: " << rest[0] << ": " << why << "\n";
      return kExitFailed;
    }
    if (!seen.insert(host).second) {
      err << "mirt-tool: " << rest[0] << ": two entries named " << host << "\n";
      return kExitFailed;
    }
    names.push_back(host);
  }
  std::error_code ec;
  fs::create_directories(rest[1], ec);
  if (!fs::is_directory(rest[1])) {
    err << "mirt-tool: cannot make the folder " << rest[1] << "\n";
    return kExitFailed;
  }
  for (size_t i = 0; i < a.entries.size(); ++i) {
    const ArchiveEntry& e = a.entries[i];
    std::vector<uint8_t> data(a.bytes.begin() + e.offset, a.bytes.begin() + e.offset + e.size);
    if (invert) InvertArchiveBytes(data);
    const std::string path = rest[1] + "/" + names[i];
    std::string why;
    if (!WriteHostFile(path, data, &why)) {
      err << "mirt-tool: " << why << "\n";
      return kExitFailed;
    }
    out << path << "\n";
  }
  return kExitOk;
}

int Pack(const Args& args, std::ostream&, std::ostream& err) {
  std::optional<Kind> kind;
  Args rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--kind" && i + 1 < args.size()) {
      kind = ParseKind(args[++i]);
      if (!kind) {
        err << "mirt-tool: unknown kind " << args[i] << " (scenario, picture, wave or midi)\n";
        return kExitUsage;
      }
    } else
      rest.push_back(args[i]);
  }
  if (!kind || rest.size() < 2) {
    err << "usage: mirt-tool pack --kind scenario|picture|wave|midi ARCHIVE FILE...\n";
    return kExitUsage;
  }
  std::vector<ArchiveMember> members;
  for (size_t i = 1; i < rest.size(); ++i) {
    ArchiveMember m;
    const std::string base = BaseName(rest[i]);
    m.name = utf8ToCp932(base);
    if (cp932ToUtf8(m.name) != base) {
      err << "mirt-tool: the name " << base << " cannot be written in Shift-JIS\n";
      return kExitFailed;
    }
    for (const ArchiveMember& other : members)
      if (EqualsIgnoringAsciiCase(other.name, m.name)) {
        err << "mirt-tool: " << base << " and " << cp932ToUtf8(other.name)
            << " are the same name to the player\n";
        return kExitFailed;
      }
    auto bytes = ReadHostFile(rest[i]);
    if (!bytes) {
      err << "mirt-tool: cannot read " << rest[i] << "\n";
      return kExitFailed;
    }
    m.data = std::move(*bytes);
    std::string why;
    bool ok = *kind == Kind::kPicture ? PictureMember(base, m.data, &why)
                                      : CheckSignature(*kind, base, m.data, &why);
    if (!ok) {
      err << "mirt-tool: " << why << "\n";
      return kExitFailed;
    }
    if (*kind == Kind::kScenario) InvertArchiveBytes(m.data);
    members.push_back(std::move(m));
  }
  std::vector<uint8_t> archive;
  std::string why;
  if (!BuildArchive(members, archive, &why)) {
    err << "mirt-tool: " << cp932ToUtf8(why) << "\n";
    return kExitFailed;
  }
  if (!WriteHostFile(rest[0], archive, &why)) {
    err << "mirt-tool: " << why << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace mirt::tool
