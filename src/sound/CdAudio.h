// The CD audio device, driven through media-control commands and strings
// as the CD commands send them. There is no drive: the disc is the set of
// track files in the game folder, cd/trackNN.EXT or TrackNN.EXT (NN two
// digits, any format libsndfile reads), or the audio tracks of the disc
// image the game is played from. The number of tracks is the highest
// NN; the current track is the track playing (0 when none); play from one
// track to another plays the tracks in between and stops at the second.
// Positions are read as tracks (TMSF with the minutes, seconds and frames
// left out) whatever time format is set, the only format the player sets.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "common/JsonObject.h"
#include "sound/SoundMixer.h"

namespace mirt {

constexpr uint32_t MCI_OPEN = 0x0803, MCI_CLOSE = 0x0804, MCI_PLAY = 0x0806, MCI_STOP = 0x0808,
                   MCI_SET = 0x080D, MCI_STATUS = 0x0814;
constexpr uint32_t MCI_NOTIFY = 0x1, MCI_WAIT = 0x2, MCI_FROM = 0x4, MCI_TO = 0x8,
                   MCI_STATUS_ITEM = 0x100, MCI_SET_TIME_FORMAT = 0x400, MCI_OPEN_TYPE = 0x2000;
constexpr uint32_t MCI_FORMAT_TMSF = 10, MCI_STATUS_NUMBER_OF_TRACKS = 3,
                   MCI_STATUS_CURRENT_TRACK = 8;
constexpr uint32_t MCIERR_INVALID_DEVICE_ID = 257, MCIERR_UNRECOGNIZED_COMMAND = 261,
                   MCIERR_OUTOFRANGE = 263, MCIERR_DEVICE_NOT_READY = 276;

struct MciOpenParms {
  uintptr_t callback = 0;
  uint32_t deviceId = 0;
  std::string deviceType;
};
struct MciSetParms {
  uintptr_t callback = 0;
  uint32_t timeFormat = 0;
};
struct MciStatusParms {
  uintptr_t callback = 0;
  uint32_t returnValue = 0;
  uint32_t item = 0;
  uint32_t track = 0;
};
struct MciPlayParms {
  uintptr_t callback = 0;
  uint32_t from = 0;
  uint32_t to = 0;
};

class CdAudio {
 public:
  using TraceFn = std::function<void(const JsonObject&)>;
  CdAudio(SoundMixer& mixer, TraceFn trace) : mixer_(mixer), trace_(std::move(trace)) {}

  // mciSendCommand: 0 on success, else an error number.
  uint32_t sendCommand(uint32_t device, uint32_t msg, uint32_t flags, void* params);
  // mciSendString: 0 on success; reply (when given) receives the answer.
  uint32_t sendString(const std::string& command, std::string* reply);

  bool isOpen() const { return open_; }

 private:
  // The tracks found now: the track files of a game folder, or the audio
  // tracks of a disc image (its data track 1 plays nothing).
  static std::map<int, SoundMixer::CdTrackFile> ScanTracks();
  uint32_t play(uint32_t from, uint32_t to, bool hasTo);
  static constexpr uint32_t kDeviceId = 1;

  SoundMixer& mixer_;
  TraceFn trace_;
  bool open_ = false;
};

}  // namespace mirt
