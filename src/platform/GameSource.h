// Where a game's files come from: a folder on the host, as always, or a
// disc image (an ISO 9660 image, or a CUE sheet with its BIN files) read in
// place. The engine keeps asking for names in the game folder; when the
// current source is an image, the file layer (CFile, FileExists, the CD
// tracks, RUN) answers them from the image. A folder is read through the
// host file functions exactly as before.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mirt {

// A CD-audio track of an image: raw 16-bit stereo 44100 Hz little-endian
// samples, `bytes` of them from `offset` in the host file.
struct ImageAudioTrack {
  int number = 0;  // as on the disc: the data track is 1
  std::string hostPath;
  uint64_t offset = 0;
  uint64_t bytes = 0;
};

// A regular file in an image.
struct ImageFileRef {
  uint32_t lsn = 0;
  uint32_t size = 0;
};

class GameSource {
 public:
  enum class Kind { kFolder, kImage };
  virtual ~GameSource() = default;
  virtual Kind kind() const = 0;
  // What the reader named: the folder, or the .iso or .cue file (host path).
  const std::string& path() const { return path_; }
  // Readable name (UTF-8): the volume label, else the folder's name.
  virtual std::string label() const = 0;
  // Whether the game's own files can be written where they lie.
  virtual bool writable() const = 0;
  // The whole of a game file (CP932 name relative to the game folder).
  virtual std::optional<std::vector<uint8_t>> ReadFile(const std::string& cp932Name) = 0;
  virtual bool Exists(const std::string& cp932Name) = 0;
  // The names (CP932) of the regular files directly in a folder of the game,
  // "" being the game folder itself.
  virtual std::vector<std::string> ListFiles(const std::string& cp932Folder) = 0;
  // A host path holding the file's bytes: the file itself in a folder, a
  // temporary copy for an image. "" when there is no such file.
  virtual std::string HostPathFor(const std::string& cp932Name) = 0;

 protected:
  std::string path_;
};

class FolderSource : public GameSource {
 public:
  explicit FolderSource(std::string hostFolder);
  Kind kind() const override { return Kind::kFolder; }
  std::string label() const override;
  bool writable() const override;
  std::optional<std::vector<uint8_t>> ReadFile(const std::string& cp932Name) override;
  bool Exists(const std::string& cp932Name) override;
  std::vector<std::string> ListFiles(const std::string& cp932Folder) override;
  std::string HostPathFor(const std::string& cp932Name) override;
};

class ImageSource : public GameSource {
 public:
  // Opens an .iso image or a .cue sheet; nothing, with *error saying what is
  // wrong (without the file's name), when it is no readable image.
  static std::unique_ptr<ImageSource> Open(const std::string& hostPath, std::string* error);
  ~ImageSource() override;

  Kind kind() const override { return Kind::kImage; }
  std::string label() const override { return label_; }
  bool writable() const override { return false; }
  std::optional<std::vector<uint8_t>> ReadFile(const std::string& cp932Name) override;
  bool Exists(const std::string& cp932Name) override { return Find(cp932Name).has_value(); }
  std::vector<std::string> ListFiles(const std::string& cp932Folder) override;
  std::string HostPathFor(const std::string& cp932Name) override;

  // The folders of the image that hold init.def (CP932, "" for the top),
  // and the one that is the game (the first until another is chosen).
  const std::vector<std::string>& gameFolders() const { return gameFolders_; }
  void chooseGameFolder(size_t i);
  const std::string& gameFolder() const { return gameFolder_; }

  // A regular file of the game, by a name as the engine gives it (any case
  // of a to z, '\\' or '/' between folders).
  std::optional<ImageFileRef> Find(const std::string& cp932Name) const;
  // The name as on the disc (CP932) of a folder of the game, found the same
  // way; "" when there is no such folder.
  std::string FolderName(const std::string& cp932Name) const;
  // Up to n bytes of the file from offset; the count read.
  uint32_t ReadAt(const ImageFileRef& f, uint32_t offset, void* buf, uint32_t n) const;
  // The audio tracks, by number (none for an .iso).
  const std::vector<ImageAudioTrack>& audioTracks() const { return audio_; }
  // The highest track number on the disc (the data track counts).
  int trackCount() const { return trackCount_; }

  // Every regular file of the game folder with its name relative to it.
  std::vector<std::pair<std::string, ImageFileRef>> AllGameFiles() const;

 private:
  ImageSource() = default;
  struct Entry {
    std::string name;  // CP932, as on the disc without a version
    ImageFileRef ref;
    bool dir = false;
  };
  bool Index(std::string* error);
  const Entry* Lookup(const std::string& cp932Name) const;
  bool SoundFolder(uint32_t lsn, uint32_t size) const;

  struct Iso;
  std::unique_ptr<Iso> iso_;
  std::string label_;
  // Key: the path from the image's top, components upper-cased and joined by '/'.
  std::map<std::string, Entry> entries_;
  std::vector<std::string> gameFolders_;
  std::string gameFolder_;     // CP932, "" for the top
  std::string gameFolderKey_;  // its key with a trailing '/', or ""
  uint32_t volumeBlocks_ = 0;
  std::vector<ImageAudioTrack> audio_;
  int trackCount_ = 0;
  std::string tempFolder_;
};

// Whether a host path names an image by its ending (.iso or .cue, any case).
bool IsImagePath(const std::string& hostPath);

// A folder holding init.def, or an image with a game in it. Nothing, with
// *error a line naming the path and what is wrong, otherwise.
std::unique_ptr<GameSource> OpenGameSource(const std::string& hostPath, std::string* error);

// The source the game's files come from now. Setting a folder source also
// names its folder as the game folder (SetGameFolder); SetGameFolder alone
// drops an image.
void SetGameSource(std::shared_ptr<GameSource> source);
std::shared_ptr<GameSource> CurrentGameSource();
// The current source when it is an image, else null.
ImageSource* CurrentImage();
void DropGameImage();

}  // namespace mirt
