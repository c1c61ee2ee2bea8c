// mirt-tool import: a game from a disc image or a mounted disc, copied out
// into a plain folder, its CD-audio tracks as FLAC files in cd/.
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "common/Ascii.h"
#include "common/Encoding.h"
#include "platform/GameSource.h"
#include "platform/HostFiles.h"
#include "tool/Tool.h"

namespace mirt::tool {
namespace {

namespace fs = std::filesystem;

// The raw samples of an image's audio track as DEST/cd/trackNN.flac,
// written aside and renamed.
bool WriteFlacTrack(const ImageAudioTrack& t, const std::string& target, std::string* error) {
  const int in = ::open(t.hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    *error = "cannot read " + t.hostPath;
    return false;
  }
  const std::string aside = target + ".part";
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 2;
  info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
  SNDFILE* out = sf_open(aside.c_str(), SFM_WRITE, &info);
  bool ok = out != nullptr;
  std::vector<short> block(2352 / 2 * 64);
  for (uint64_t done = 0; ok && done < t.bytes;) {
    const size_t want = size_t(std::min<uint64_t>(t.bytes - done, block.size() * 2));
    const ssize_t got = ::pread(in, block.data(), want, off_t(t.offset + done));
    if (got <= 0 || got % 4) {
      ok = false;
      break;
    }
    // The samples are little-endian on the disc, as on the machines we build for.
    ok = sf_write_short(out, block.data(), sf_count_t(got / 2)) == sf_count_t(got / 2);
    done += uint64_t(got);
  }
  if (out && sf_close(out) != 0) ok = false;
  ::close(in);
  if (ok && std::rename(aside.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    ::unlink(aside.c_str());
    *error = "cannot write " + target;
  }
  return ok;
}

}  // namespace

int Import(const Args& args, std::ostream& out, std::ostream& err) {
  Args rest;
  std::string game;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--game" && i + 1 < args.size())
      game = args[++i];
    else
      rest.push_back(args[i]);
  }
  if (rest.size() != 2) {
    err << "usage: mirt-tool import [--game FOLDER] IMAGE|DISC_FOLDER DEST\n";
    return kExitUsage;
  }
  const std::string& from = rest[0];
  const std::string& dest = rest[1];
  std::error_code ec;
  if (fs::exists(dest, ec) && !fs::is_empty(dest, ec)) {
    err << "mirt-tool: " << dest << " is not empty; import writes into a new folder\n";
    return kExitFailed;
  }
  std::string why;
  std::unique_ptr<GameSource> source;
  if (fs::is_directory(from, ec) && ResolveExistingIn(from, "init.def").empty()) {
    // A mounted disc whose game lies in one folder under the top.
    std::vector<std::string> games;
    for (const auto& e : fs::directory_iterator(from, ec))
      if (e.is_directory(ec) && !ResolveExistingIn(e.path().string(), "init.def").empty())
        games.push_back(e.path().string());
    std::sort(games.begin(), games.end());
    std::string pick = games.empty() ? from : games[0];
    for (const std::string& g : games)
      if (!game.empty() && fs::path(g).filename() == game) pick = g;
    if (games.size() > 1 && game.empty())
      err << "mirt-tool: " << from << " holds " << games.size() << " games; importing " << pick
          << " (--game chooses)\n";
    source = OpenGameSource(pick, &why);
  } else {
    source = OpenGameSource(from, &why);
  }
  if (!source) {
    err << "mirt-tool: " << why << "\n";
    return kExitFailed;
  }
  auto writeFile = [&](const std::string& relUtf8, const std::vector<uint8_t>& bytes) {
    const fs::path target = fs::path(dest) / relUtf8;
    std::error_code mk;
    fs::create_directories(target.parent_path(), mk);
    std::string error;
    if (!WriteHostFile(target.string(), bytes, &error)) {
      err << "mirt-tool: " << error << "\n";
      return false;
    }
    out << target.string() << "\n";
    return true;
  };
  if (auto* img = dynamic_cast<ImageSource*>(source.get())) {
    if (!game.empty()) {
      for (size_t i = 0; i < img->gameFolders().size(); ++i)
        if (EqualsIgnoringAsciiCase(cp932ToUtf8(img->gameFolders()[i]), game))
          img->chooseGameFolder(i);
    } else if (img->gameFolders().size() > 1) {
      err << "mirt-tool: " << from << " holds " << img->gameFolders().size() << " games; importing "
          << (img->gameFolder().empty() ? "/" : cp932ToUtf8(img->gameFolder()))
          << " (--game chooses)\n";
    }
    for (const auto& [name, ref] : img->AllGameFiles()) {
      std::vector<uint8_t> bytes(ref.size);
      if (ref.size && img->ReadAt(ref, 0, bytes.data(), ref.size) != ref.size) {
        err << "mirt-tool: " << from << ": cannot read " << cp932ToUtf8(name) << "\n";
        return kExitFailed;
      }
      if (!writeFile(cp932ToUtf8(name), bytes)) return kExitFailed;
    }
    for (const ImageAudioTrack& t : img->audioTracks()) {
      char file[32];
      std::snprintf(file, sizeof file, "track%02d.flac", t.number);
      const fs::path target = fs::path(dest) / "cd" / file;
      fs::create_directories(target.parent_path(), ec);
      std::string error;
      if (!WriteFlacTrack(t, target.string(), &error)) {
        err << "mirt-tool: " << error << "\n";
        return kExitFailed;
      }
      out << target.string() << "\n";
    }
    return kExitOk;
  }
  // A folder: every file under it, as it is.
  const fs::path root = source->path();
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    auto bytes = ReadHostFile(it->path().string());
    if (!bytes) {
      err << "mirt-tool: cannot read " << it->path().string() << "\n";
      return kExitFailed;
    }
    if (!writeFile(fs::relative(it->path(), root, ec).string(), *bytes)) return kExitFailed;
  }
  if (ec) {
    err << "mirt-tool: cannot read " << root.string() << ": " << ec.message() << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace mirt::tool
