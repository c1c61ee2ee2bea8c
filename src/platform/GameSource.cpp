#include "platform/GameSource.h"

#include <cdio/iso9660.h>
#include <cdio/logging.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include "common/Ascii.h"
#include "common/Encoding.h"
#include "platform/CueSheet.h"
#include "platform/HostFiles.h"

namespace mirt {
namespace {

constexpr uint32_t kBlock = 2048;
// Bounds that no disc of the time comes near; an image past them is broken.
constexpr size_t kMaxEntries = 100000;
constexpr int kMaxDepth = 16;
constexpr uint32_t kMaxDirectoryBytes = 1 << 20;
constexpr uint64_t kMaxCueBytes = 256 * 1024;
// Level-1 and Joliet names; Rock Ridge is left out (the discs of these games
// have none, and its parser is where broken records do harm).
constexpr iso_extension_mask_t kExtensions = ISO_EXTENSION_JOLIET;

bool EndsWithIgnoringCase(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && EqualsIgnoringAsciiCase(s.substr(s.size() - end.size()), end);
}

// The engine's name split into folder components as the host files split
// it, without the empty ones.
std::vector<std::string> Components(const std::string& name) {
  std::vector<std::string> parts = SplitComponents(name);
  std::erase(parts, std::string());
  return parts;
}

// A name as the directory gives it, without the version of a level-1 name
// ("INIT.DEF;1") and without the dot of a name with no extension ("README.").
std::string DiscName(std::string n) {
  const size_t semi = n.rfind(';');
  if (semi != std::string::npos && semi + 1 < n.size() &&
      std::all_of(n.begin() + long(semi) + 1, n.end(), [](char c) { return c >= '0' && c <= '9'; }))
    n.erase(semi);
  if (n.size() > 1 && n.back() == '.') n.pop_back();
  return n;
}

void QuietLog(cdio_log_level_t, const char*) {}

int64_t HostFileSize(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

std::shared_ptr<GameSource>& Current() {
  static std::shared_ptr<GameSource> current;
  return current;
}

}  // namespace

// The file system of the data track. A plain ISO (and a 2048-byte data
// track) is read by libiso9660 from the file; a raw 2352-byte track goes
// through libcdio's BIN/CUE driver, which takes the 2048 bytes of data out
// of each sector (libiso9660 on the file itself reads several sectors as
// one run of bytes, headers and all).
struct ImageSource::Iso {
  iso9660_t* p = nullptr;
  CdIo_t* cd = nullptr;
  std::string sheet;  // the one-track sheet written for the driver
  ~Iso() {
    if (p) iso9660_close(p);
    if (cd) cdio_destroy(cd);
    if (!sheet.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(std::filesystem::path(sheet).parent_path(), ec);
    }
  }
  // The raw data BIN as a disc of one data track.
  bool OpenRaw(const std::string& bin, bool mode2) {
    char tmpl[] = "/tmp/mirt-disc-XXXXXX";
    if (!::mkdtemp(tmpl)) return false;
    // The driver reads the BIN named as its sheet, whatever the sheet's FILE
    // line says: the BIN is linked in beside the sheet.
    sheet = std::string(tmpl) + "/data.cue";
    const std::string absolute = std::filesystem::absolute(bin).string();
    if (::symlink(absolute.c_str(), (std::string(tmpl) + "/data.bin").c_str()) != 0) return false;
    std::ofstream(sheet) << "FILE \"data.bin\" BINARY\n  TRACK 01 "
                         << (mode2 ? "MODE2/2352" : "MODE1/2352") << "\n    INDEX 01 00:00:00\n";
    cd = cdio_open_bincue(sheet.c_str());
    return cd && iso9660_fs_read_superblock(cd, kExtensions);
  }
  bool ReadPvd(iso9660_pvd_t* pvd) const {
    return p ? iso9660_ifs_read_pvd(p, pvd) : iso9660_fs_read_pvd(cd, pvd);
  }
  iso9660_stat_t* Stat(const char* path) const {
    return p ? iso9660_ifs_stat(p, path) : iso9660_fs_stat(cd, path);
  }
  CdioList_t* ReadDir(const char* path) const {
    return p ? iso9660_ifs_readdir(p, path) : iso9660_fs_readdir(cd, path);
  }
  bool Read(void* buf, uint32_t lsn, uint32_t blocks) const {
    if (p) return iso9660_iso_seek_read(p, buf, lsn, long(blocks)) == long(blocks) * long(kBlock);
    return cdio_read_data_sectors(cd, buf, lsn_t(lsn), kBlock, blocks) == DRIVER_OP_SUCCESS;
  }
};

// ---- FolderSource ----

FolderSource::FolderSource(std::string hostFolder) { path_ = std::move(hostFolder); }

std::string FolderSource::label() const { return std::filesystem::path(path_).filename().string(); }

bool FolderSource::writable() const { return ::access(path_.c_str(), W_OK) == 0; }

std::optional<std::vector<uint8_t>> FolderSource::ReadFile(const std::string& cp932Name) {
  const std::string host = ResolveExistingIn(path_, cp932Name);
  const int64_t size = host.empty() ? -1 : HostFileSize(host);
  if (size < 0) return std::nullopt;
  std::ifstream in(host, std::ios::binary);
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size))) return std::nullopt;
  return bytes;
}

bool FolderSource::Exists(const std::string& cp932Name) {
  const std::string host = ResolveExistingIn(path_, cp932Name);
  return !host.empty() && HostFileSize(host) >= 0;
}

std::vector<std::string> FolderSource::ListFiles(const std::string& cp932Folder) {
  std::vector<std::string> names;
  const std::string dir = cp932Folder.empty() ? path_ : ResolveExistingIn(path_, cp932Folder);
  std::error_code ec;
  if (dir.empty()) return names;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    if (e.is_regular_file(ec)) names.push_back(utf8ToCp932(e.path().filename().string()));
  return names;
}

std::string FolderSource::HostPathFor(const std::string& cp932Name) {
  const std::string host = ResolveExistingIn(path_, cp932Name);
  return host.empty() || HostFileSize(host) < 0 ? "" : host;
}

// ---- ImageSource ----

ImageSource::~ImageSource() {
  if (!tempFolder_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(tempFolder_, ec);
  }
}

std::unique_ptr<ImageSource> ImageSource::Open(const std::string& hostPath, std::string* error) {
  // libcdio reports what it cannot read on stderr; the caller says it once.
  cdio_log_set_handler(QuietLog);
  auto fail = [&](const std::string& what) -> std::unique_ptr<ImageSource> {
    if (error) *error = what;
    return nullptr;
  };
  std::unique_ptr<ImageSource> img(new ImageSource);
  img->path_ = hostPath;
  std::string dataFile = hostPath;
  std::string dataName;  // the BIN's name in messages, "" for an .iso
  uint64_t dataBytes = 0;
  uint32_t sectorBytes = kBlock;
  bool dataMode2 = false;
  if (EndsWithIgnoringCase(hostPath, ".cue")) {
    const int64_t cueSize = HostFileSize(hostPath);
    if (cueSize < 0) return fail("cannot be read");
    if (uint64_t(cueSize) > kMaxCueBytes) return fail("too large for a CUE sheet");
    std::ifstream in(hostPath, std::ios::binary);
    std::string text(static_cast<size_t>(cueSize), '\0');
    if (!in.read(text.data(), cueSize)) return fail("cannot be read");
    std::string why;
    std::optional<CueSheet> sheet = ParseCueSheet(text, &why);
    if (!sheet) return fail("not a CUE sheet we can read: " + why);
    const std::string folder = std::filesystem::path(hostPath).parent_path().string();
    std::vector<std::string> bins;
    std::vector<int64_t> sizes;
    for (const std::string& name : sheet->files) {
      std::string bin = name[0] == '/' ? name : (folder.empty() ? "." : folder) + "/" + name;
      if (HostFileSize(bin) < 0) bin = ResolveExistingIn(folder.empty() ? "." : folder, name);
      const int64_t size = bin.empty() ? -1 : HostFileSize(bin);
      if (size < 0) return fail("BIN file " + Quoted(name) + " is missing");
      bins.push_back(bin);
      sizes.push_back(size);
    }
    // Where each track's INDEX 01 lies in its file, in bytes, and where the
    // track ends (at the next track's pregap in the same file, else the
    // file's end).
    const size_t n = sheet->tracks.size();
    std::vector<uint64_t> start(n), end(n);
    for (size_t i = 0; i < n; ++i) {
      const CueTrack& t = sheet->tracks[i];
      const uint64_t size = CueSectorBytes(t.mode);
      const int64_t p0 = t.index0 >= 0 ? t.index0 : t.index1;
      uint64_t start0 = uint64_t(p0) * size;
      if (i > 0 && sheet->tracks[i - 1].file == t.file) {
        const CueTrack& b = sheet->tracks[i - 1];
        if (p0 < b.index1) return fail("not a CUE sheet we can read: tracks overlap");
        start0 = start[i - 1] + uint64_t(p0 - b.index1) * CueSectorBytes(b.mode);
        end[i - 1] = start0;
      }
      start[i] = start0 + uint64_t(t.index1 - p0) * size;
      end[i] = uint64_t(sizes[t.file]);
    }
    for (size_t i = 0; i < n; ++i) {
      const CueTrack& t = sheet->tracks[i];
      if (start[i] >= end[i])
        return fail("BIN file " + Quoted(sheet->files[t.file]) +
                    " is shorter than the sheet says (track " + std::to_string(t.number) +
                    " starts past its end)");
      if (t.mode == CueTrackMode::kAudio) {
        img->audio_.push_back(
            {t.number, bins[t.file], start[i], (end[i] - start[i]) & ~uint64_t(3)});
      } else if (dataName.empty()) {
        if (start[i] != 0) return fail("the data track does not begin its BIN file");
        dataFile = bins[t.file];
        dataName = sheet->files[t.file];
        dataBytes = end[i] - start[i];
        sectorBytes = CueSectorBytes(t.mode);
        dataMode2 = t.mode == CueTrackMode::kMode2_2352;
      }
    }
    if (dataName.empty()) return fail("the sheet has no data track");
    img->trackCount_ = int(n);
    img->iso_ = std::make_unique<Iso>();
    if (sectorBytes == kBlock)
      img->iso_->p = iso9660_open_ext(dataFile.c_str(), kExtensions);
    else
      img->iso_->OpenRaw(dataFile, dataMode2);
    if (!img->iso_->p && !img->iso_->cd) return fail("no ISO 9660 file system in the data track");
  } else {
    const int64_t size = HostFileSize(hostPath);
    if (size < 0) return fail("cannot be read");
    dataBytes = uint64_t(size);
    img->iso_ = std::make_unique<Iso>();
    img->iso_->p = iso9660_open_ext(hostPath.c_str(), kExtensions);
    if (!img->iso_->p) return fail("no ISO 9660 file system");
  }
  iso9660_pvd_t pvd;
  if (!img->iso_->ReadPvd(&pvd)) return fail("no ISO 9660 file system");
  const int blocks = iso9660_get_pvd_space_size(&pvd);
  if (blocks <= 0) return fail("the file system has no size");
  img->volumeBlocks_ = uint32_t(blocks);
  if (uint64_t(blocks) > dataBytes / sectorBytes) {
    const std::string what =
        dataName.empty() ? std::string("the image") : "BIN file " + Quoted(dataName);
    return fail(what + " is shorter than its file system says (" + std::to_string(blocks) +
                " sectors, " + std::to_string(dataBytes / sectorBytes) + " there)");
  }
  if (!img->Index(error)) return nullptr;
  if (char* id = iso9660_get_volume_id(&pvd)) {
    std::string label = id;
    while (!label.empty() && label.back() == ' ') label.pop_back();
    img->label_ = label;
    free(id);
  }
  if (img->label_.empty()) img->label_ = std::filesystem::path(hostPath).stem().string();
  // The game: the top when it holds init.def, and every folder just under
  // the top that holds one.
  for (const auto& [key, e] : img->entries_) {
    if (key == "INIT.DEF" && !e.dir) img->gameFolders_.insert(img->gameFolders_.begin(), "");
    const size_t slash = key.find('/');
    if (slash != std::string::npos && key.compare(slash, std::string::npos, "/INIT.DEF") == 0 &&
        !e.dir)
      img->gameFolders_.push_back(img->entries_[key.substr(0, slash)].name);
  }
  if (img->gameFolders_.empty()) return fail("no init.def in the image (not a game)");
  img->chooseGameFolder(0);
  return img;
}

// Whether a folder's records lie within their sectors with their names
// inside them. libiso9660 trusts the lengths it reads; a folder is checked
// before it is read.
bool ImageSource::SoundFolder(uint32_t lsn, uint32_t size) const {
  const uint32_t blocks = (size + kBlock - 1) / kBlock;
  std::vector<uint8_t> b(size_t(blocks) * kBlock);
  if (blocks == 0 || !iso_->Read(b.data(), lsn, blocks)) return false;
  for (size_t at = 0; at < b.size();) {
    const size_t len = b[at];
    if (len == 0) {
      at = (at / kBlock + 1) * kBlock;
      continue;
    }
    if (len < 34 || at % kBlock + len > kBlock || 33 + size_t(b[at + 32]) > len) return false;
    at += len;
  }
  return true;
}

bool ImageSource::Index(std::string* error) {
  auto fail = [&](const std::string& what) {
    if (error) *error = what;
    return false;
  };
  iso9660_stat_t* root = iso_->Stat("/");
  if (!root) return fail("the directory tree is broken (no top folder)");
  const auto rootLsn = static_cast<uint32_t>(root->lsn);
  const uint32_t rootSize = root->size;
  const bool rootOk = root->size <= kMaxDirectoryBytes && rootLsn < volumeBlocks_;
  std::set<uint32_t> seen = {rootLsn};
  iso9660_stat_free(root);
  if (!rootOk) return fail("the directory tree is broken (the top folder lies outside the image)");
  struct Dir {
    std::string isoPath, key;
    int depth;
    uint32_t lsn, size;
  };
  std::vector<Dir> todo = {{"/", "", 0, rootLsn, rootSize}};
  while (!todo.empty()) {
    const Dir d = todo.back();
    todo.pop_back();
    if (!SoundFolder(d.lsn, d.size))
      return fail("the directory tree is broken (a folder's records)");
    CdioList_t* list = iso_->ReadDir(d.isoPath.c_str());
    if (!list) return fail("the directory tree is broken (a folder cannot be read)");
    std::string problem;
    for (CdioListNode_t* node = _cdio_list_begin(list); node && problem.empty();
         node = _cdio_list_node_next(node)) {
      auto* st = static_cast<iso9660_stat_t*>(_cdio_list_node_data(node));
      const std::string raw = st->filename;
      if (raw.empty() || raw == "." || raw == ".." || raw.find('/') != std::string::npos) continue;
      const std::string name = utf8ToCp932(DiscName(raw));
      const std::string key = (d.key.empty() ? "" : d.key + "/") + UpperAscii(name);
      const bool dir = st->type == iso9660_stat_s::_STAT_DIR;
      const auto lsn = static_cast<uint32_t>(st->lsn);
      const uint64_t used = (uint64_t(st->size) + kBlock - 1) / kBlock;
      if (uint64_t(lsn) + used > volumeBlocks_) {
        problem = "the directory tree is broken (" + cp932ToUtf8(name) + " lies past the end)";
        break;
      }
      if (entries_.count(key)) continue;  // the first of two equal names
      if (dir) {
        if (d.depth + 1 > kMaxDepth)
          problem = "the directory tree is too deep";
        else if (st->size > kMaxDirectoryBytes)
          problem = "the directory tree is broken (a huge folder)";
        else if (!seen.insert(lsn).second)
          problem = "the directory tree loops";
        else
          todo.push_back({d.isoPath + raw + "/", key, d.depth + 1, lsn, st->size});
      }
      entries_[key] = Entry{name, {lsn, st->size}, dir};
      if (entries_.size() > kMaxEntries) problem = "too many files";
    }
    iso9660_filelist_free(list);
    if (!problem.empty()) return fail(problem);
  }
  return true;
}

void ImageSource::chooseGameFolder(size_t i) {
  if (i >= gameFolders_.size()) return;
  gameFolder_ = gameFolders_[i];
  gameFolderKey_ = gameFolder_.empty() ? "" : UpperAscii(gameFolder_) + "/";
}

const ImageSource::Entry* ImageSource::Lookup(const std::string& cp932Name) const {
  std::string key = gameFolderKey_;
  const std::vector<std::string> parts = Components(cp932Name);
  if (parts.empty()) return nullptr;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (parts[i] == ".") continue;
    if (parts[i] == "..") return nullptr;
    key += UpperAscii(parts[i]);
    if (i + 1 < parts.size()) key += '/';
  }
  auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : &it->second;
}

std::optional<ImageFileRef> ImageSource::Find(const std::string& cp932Name) const {
  const Entry* e = Lookup(cp932Name);
  if (!e || e->dir) return std::nullopt;
  return e->ref;
}

std::string ImageSource::FolderName(const std::string& cp932Name) const {
  const Entry* e = Lookup(cp932Name);
  return e && e->dir ? e->name : std::string();
}

uint32_t ImageSource::ReadAt(const ImageFileRef& f, uint32_t offset, void* buf, uint32_t n) const {
  if (offset >= f.size || n == 0) return 0;
  n = std::min(n, f.size - offset);
  const uint32_t first = offset / kBlock, last = (offset + n - 1) / kBlock;
  std::vector<uint8_t> blocks(size_t(last - first + 1) * kBlock);
  if (!iso_->Read(blocks.data(), f.lsn + first, last - first + 1)) return 0;
  std::memcpy(buf, blocks.data() + offset % kBlock, n);
  return n;
}

std::optional<std::vector<uint8_t>> ImageSource::ReadFile(const std::string& cp932Name) {
  const std::optional<ImageFileRef> f = Find(cp932Name);
  if (!f) return std::nullopt;
  std::vector<uint8_t> bytes(f->size);
  if (f->size && ReadAt(*f, 0, bytes.data(), f->size) != f->size) return std::nullopt;
  return bytes;
}

std::vector<std::string> ImageSource::ListFiles(const std::string& cp932Folder) {
  std::string prefix = gameFolderKey_;
  for (const std::string& part : Components(cp932Folder)) prefix += UpperAscii(part) + "/";
  std::vector<std::string> names;
  for (auto it = entries_.lower_bound(prefix); it != entries_.end(); ++it) {
    if (it->first.compare(0, prefix.size(), prefix) != 0) break;
    if (!it->second.dir && it->first.find('/', prefix.size()) == std::string::npos)
      names.push_back(it->second.name);
  }
  return names;
}

std::vector<std::pair<std::string, ImageFileRef>> ImageSource::AllGameFiles() const {
  std::vector<std::pair<std::string, ImageFileRef>> files;
  for (auto it = entries_.lower_bound(gameFolderKey_); it != entries_.end(); ++it) {
    if (it->first.compare(0, gameFolderKey_.size(), gameFolderKey_) != 0) break;
    if (it->second.dir) continue;
    // The name as on the disc, folder by folder.
    std::string path;
    std::string key = it->first.substr(0, gameFolderKey_.size());
    for (const std::string& part : Components(it->first.substr(gameFolderKey_.size()))) {
      key += (key.empty() || key.back() == '/' ? "" : "/") + part;
      auto e = entries_.find(key);
      path += (path.empty() ? "" : "/") + (e == entries_.end() ? part : e->second.name);
    }
    files.push_back({path, it->second.ref});
  }
  return files;
}

std::string ImageSource::HostPathFor(const std::string& cp932Name) {
  const std::optional<ImageFileRef> f = Find(cp932Name);
  if (!f) return "";
  if (tempFolder_.empty()) {
    char tmpl[] = "/tmp/mirt-image-XXXXXX";
    if (!::mkdtemp(tmpl)) return "";
    tempFolder_ = tmpl;
  }
  const std::vector<std::string> parts = Components(cp932Name);
  const std::string host = tempFolder_ + "/" + cp932ToUtf8(parts.back());
  std::optional<std::vector<uint8_t>> bytes = ReadFile(cp932Name);
  if (!bytes || !WriteHostFileAtomically(host, bytes->data(), bytes->size())) return "";
  return host;
}

// ---- choosing and naming the source ----

bool IsImagePath(const std::string& hostPath) {
  return EndsWithIgnoringCase(hostPath, ".iso") || EndsWithIgnoringCase(hostPath, ".cue");
}

std::unique_ptr<GameSource> OpenGameSource(const std::string& hostPath, std::string* error) {
  auto fail = [&](const std::string& what) -> std::unique_ptr<GameSource> {
    if (error) *error = hostPath + ": " + what;
    return nullptr;
  };
  struct stat st;
  if (hostPath.empty() || ::stat(hostPath.c_str(), &st) != 0) return fail("no such file or folder");
  if (S_ISDIR(st.st_mode)) {
    if (ResolveExistingIn(hostPath, "init.def").empty())
      return fail("no init.def here (not a game)");
    return std::make_unique<FolderSource>(hostPath);
  }
  if (!IsImagePath(hostPath)) return fail("not a game folder, an .iso image or a .cue sheet");
  std::string why;
  std::unique_ptr<ImageSource> img = ImageSource::Open(hostPath, &why);
  if (!img) return fail(why);
  return img;
}

void SetGameSource(std::shared_ptr<GameSource> source) {
  if (source && source->kind() == GameSource::Kind::kFolder) SetGameFolder(source->path());
  Current() = std::move(source);
}

std::shared_ptr<GameSource> CurrentGameSource() { return Current(); }

ImageSource* CurrentImage() {
  GameSource* s = Current().get();
  return s && s->kind() == GameSource::Kind::kImage ? static_cast<ImageSource*>(s) : nullptr;
}

void DropGameImage() {
  if (CurrentImage()) Current().reset();
}

}  // namespace mirt
