#include "sound/CdAudio.h"

#include <cctype>
#include <sstream>
#include <vector>

#include "platform/GameSource.h"
#include "platform/HostFiles.h"
#include "platform/HostFolder.h"

namespace mirt {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// "track07.flac" -> 7; 0 for any other name.
int TrackNumber(const std::string& fileName) {
  std::string n = Lower(fileName);
  if (n.size() < 8 || n.compare(0, 5, "track") != 0) return 0;
  if (!std::isdigit(static_cast<unsigned char>(n[5])) ||
      !std::isdigit(static_cast<unsigned char>(n[6])))
    return 0;
  if (n[7] != '.' || n.size() == 8 || n.find('.', 8) != std::string::npos) return 0;
  return (n[5] - '0') * 10 + (n[6] - '0');
}

const char* CommandName(uint32_t msg) {
  switch (msg) {
    case MCI_OPEN: return "open";
    case MCI_CLOSE: return "close";
    case MCI_PLAY: return "play";
    case MCI_STOP: return "stop";
    case MCI_SET: return "set";
    case MCI_STATUS: return "status";
    default: return "unknown";
  }
}

}  // namespace

std::map<int, SoundMixer::CdTrackFile> CdAudio::ScanTracks() {
  std::map<int, SoundMixer::CdTrackFile> tracks;
  if (const ImageSource* img = CurrentImage()) {
    for (int t = 1; t <= img->trackCount(); ++t) tracks[t] = {t, ""};
    for (const ImageAudioTrack& a : img->audioTracks())
      tracks[a.number] = {a.number, a.hostPath, a.offset, a.bytes};
    return tracks;
  }
  // Files in cd/ first; a TrackNN file beside init.def fills only the gaps.
  for (const std::string dir : {"cd", "CD", "."}) {
    for (const HostFolderFile& f : ListFolderFiles(InGameFolder(dir))) {
      int t = TrackNumber(f.name);
      if (t == 0) continue;
      if (dir == "." && f.name[0] != 'T') continue;  // TrackNN at the top
      tracks.emplace(t, SoundMixer::CdTrackFile{t, f.hostPath});
    }
  }
  return tracks;
}

uint32_t CdAudio::sendCommand(uint32_t device, uint32_t msg, uint32_t flags, void* params) {
  JsonObject t;
  t.Utf8("cmd", CommandName(msg)).Int("device", device).Int("flags", flags);
  uint32_t result = 0;
  if (msg == MCI_OPEN) {
    auto* p = static_cast<MciOpenParms*>(params);
    t.Utf8("type", p ? p->deviceType : "");
    if (!p || Lower(p->deviceType) != "cdaudio") {
      result = MCIERR_DEVICE_NOT_READY;
    } else {
      open_ = true;
      p->deviceId = kDeviceId;
    }
  } else if (device != kDeviceId || !open_) {
    result = MCIERR_INVALID_DEVICE_ID;
  } else if (msg == MCI_SET) {
    auto* p = static_cast<MciSetParms*>(params);
    if (p) t.Int("timeFormat", p->timeFormat);
  } else if (msg == MCI_STATUS) {
    auto* p = static_cast<MciStatusParms*>(params);
    if (!p || !(flags & MCI_STATUS_ITEM)) {
      result = MCIERR_UNRECOGNIZED_COMMAND;
    } else {
      std::map<int, SoundMixer::CdTrackFile> tracks = ScanTracks();
      if (p->item == MCI_STATUS_NUMBER_OF_TRACKS)
        p->returnValue = tracks.empty() ? 0 : uint32_t(tracks.rbegin()->first);
      else if (p->item == MCI_STATUS_CURRENT_TRACK)
        p->returnValue = uint32_t(mixer_.cdCurrentTrack());
      else
        result = MCIERR_UNRECOGNIZED_COMMAND;
      t.Int("item", p->item).Int("value", p->returnValue);
    }
  } else if (msg == MCI_PLAY) {
    auto* p = static_cast<MciPlayParms*>(params);
    uint32_t from = p && (flags & MCI_FROM) ? p->from & 0xFF : 1;
    uint32_t to = p && (flags & MCI_TO) ? p->to & 0xFF : 0;
    if (flags & MCI_FROM) t.Int("from", from);
    if (flags & MCI_TO) t.Int("to", to);
    result = play(from, to, flags & MCI_TO);
  } else if (msg == MCI_STOP) {
    mixer_.stopCd();
  } else if (msg == MCI_CLOSE) {
    mixer_.stopCd();
    open_ = false;
  } else {
    result = MCIERR_UNRECOGNIZED_COMMAND;
  }
  if (result) t.Int("error", result);
  if (trace_) trace_(t);
  return result;
}

uint32_t CdAudio::play(uint32_t from, uint32_t to, bool hasTo) {
  std::map<int, SoundMixer::CdTrackFile> tracks = ScanTracks();
  int count = tracks.empty() ? 0 : tracks.rbegin()->first;
  if (count == 0 || from < 1 || int(from) > count) return MCIERR_OUTOFRANGE;
  // To the end of the disc when no end is given, and also when the end lies
  // past the last track, so that the last track can be repeated.
  int last = hasTo ? std::min<int>(int(to) - 1, count) : count;
  if (last < int(from)) return MCIERR_OUTOFRANGE;
  std::vector<SoundMixer::CdTrackFile> list;
  for (int k = int(from); k <= last; ++k) {
    auto it = tracks.find(k);
    list.push_back(it == tracks.end() ? SoundMixer::CdTrackFile{k, ""} : it->second);
  }
  mixer_.playCd(std::move(list));
  return 0;
}

uint32_t CdAudio::sendString(const std::string& command, std::string* reply) {
  if (trace_) trace_(JsonObject().Str("cmd", command));
  if (reply) reply->clear();
  std::istringstream in(Lower(command));
  std::vector<std::string> w;
  for (std::string s; in >> s;) w.push_back(s);
  if (w.size() < 2 || w[1] != "cdaudio") return MCIERR_INVALID_DEVICE_ID;
  auto position = [](const std::string& s) {  // tt[:mm[:ss[:ff]]] in TMSF
    return uint32_t(std::strtoul(s.c_str(), nullptr, 10));
  };
  const std::string& verb = w[0];
  if (verb == "status" && w.size() >= 4 && w[2] == "current" && w[3] == "track") {
    if (reply) *reply = std::to_string(mixer_.cdCurrentTrack());
    return 0;
  }
  if (verb == "status" && w.size() >= 4 && w[2] == "number" && w[3] == "of") {
    std::map<int, SoundMixer::CdTrackFile> tracks = ScanTracks();
    if (reply) *reply = std::to_string(tracks.empty() ? 0 : tracks.rbegin()->first);
    return 0;
  }
  if (verb == "set" && w.size() >= 5 && w[2] == "time" && w[3] == "format") return 0;
  if (verb == "play") {
    uint32_t from = 1, to = 0;
    bool hasTo = false;
    for (size_t i = 2; i + 1 < w.size(); ++i) {
      if (w[i] == "from") from = position(w[i + 1]);
      if (w[i] == "to") to = position(w[i + 1]), hasTo = true;
    }
    return play(from, to, hasTo);
  }
  if (verb == "stop") {
    mixer_.stopCd();
    return 0;
  }
  if (verb == "close") {
    mixer_.stopCd();
    open_ = false;
    return 0;
  }
  return MCIERR_UNRECOGNIZED_COMMAND;
}

}  // namespace mirt
