#include "sound/Sound.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "common/Encoding.h"
#include "common/NameField.h"
#include "script/Archive.h"
#include "script/CFile.h"

namespace mirt {
namespace {

std::string FieldName(const char (&field)[80]) { return FieldString(field, sizeof field); }

std::string Cp932(const char* utf8) { return utf8ToCp932(utf8); }

}  // namespace

Sound::Sound(Platform& platform, SoundHooks hooks)
    : platform_(platform), hooks_(std::move(hooks)) {}

Sound::~Sound() = default;

void Sound::start() {
  if (system_) return;
  system_ = std::make_unique<SoundSystem>(platform_, platform_.openMidiOut(options_), hooks_.trace,
                                          hooks_.tracing);
  for (SoundDevice d : {SoundDevice::Wave, SoundDevice::Midi, SoundDevice::Cd})
    startupVolumes_[int(d)] = system_->getVolume(d);
}

void Sound::shutdown(GameState& state) {
  waveBuffer_.reset();  // the mixer keeps a sound that still plays
  if (!system_) return;
  system_->cd().sendString("stop waveaudio", nullptr);
  system_->cd().sendString("close waveaudio", nullptr);
  cdStop(state);
  waveStop();
  system_->music().stop();
  system_->music().unload();
  for (SoundDevice d : {SoundDevice::Wave, SoundDevice::Midi, SoundDevice::Cd})
    setVolume(d, startupVolumes_[int(d)]);
}

// ---- MIDI ---------------------------------------------------------------------

bool Sound::loadMusic(const std::string& name, const std::string& midiArchive) {
  start();
  CDxMusic& music = system_->music();
  music.setArchiveName(midiArchive);
  music.load(name);
  bool loaded = music.song().hasSong();
  trace("music", JsonObject().Utf8("op", "load").Str("name", name).Bool("loaded", loaded));
  return loaded;
}

void Sound::playMusic(int32_t mode) {
  start();
  system_->music().setLoop(uint32_t(mode));
  system_->music().play();
}

void Sound::stopMusic() {
  if (system_) system_->music().stop();
  trace("music", JsonObject().Utf8("op", "stop"));
}

// ---- WAVE ---------------------------------------------------------------------

int Sound::wavePlay(GameState& state, const std::string& waveArchive, int32_t flag) {
  start();
  waveBuffer_.reset();  // the mixer keeps a sound that still plays
  std::optional<std::vector<uint8_t>> bytes;
  if (FileExists(waveArchive)) {
    // The name is upper-cased in place when it is looked up in the archive.
    std::string upper = UpperAscii(FieldName(state.waveName));
    StoreName(state.waveName, upper);
    bytes = ReadArchiveMember(waveArchive, upper);
    // An archive without that entry: the plain file, as the MIDI loader does.
  }
  if (!bytes) bytes = ReadWholeFile(FieldName(state.waveName));
  if (!bytes) {
    if (hooks_.message) hooks_.message(Cp932("WAVE再生失敗"));
    return 1;
  }
  waveBuffer_ = std::make_shared<const std::vector<uint8_t>>(std::move(*bytes));
  uint32_t flags = flag == 0 ? (SND_ASYNC | SND_MEMORY | SND_LOOP) : (SND_ASYNC | SND_MEMORY);
  bool ok = system_->sndPlaySound(waveBuffer_, flags);
  trace("wave", JsonObject()
                    .Utf8("op", "play")
                    .Str("name", FieldName(state.waveName))
                    .Bool("loop", flag == 0)
                    .Bool("decoded", ok));
  return 1;
}

void Sound::waveStop() {
  if (system_) system_->sndPlaySound(nullptr, 0);
  trace("wave", JsonObject().Utf8("op", "stop"));
}

// ---- CD -----------------------------------------------------------------------

int Sound::cdPlay(const GameState& state) {
  start();
  CdAudio& cd = system_->cd();
  cdOpen_.deviceType = "cdaudio";
  cd.sendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_WAIT, &cdOpen_);
  MciSetParms set;
  set.timeFormat = MCI_FORMAT_TMSF;
  cd.sendCommand(cdOpen_.deviceId, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, &set);
  cdStatus_.item = MCI_STATUS_NUMBER_OF_TRACKS;
  cd.sendCommand(cdOpen_.deviceId, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, &cdStatus_);
  MciPlayParms play;
  play.callback = 1;  // the main window
  play.from = uint32_t(state.cdTrack) & 0xFF;
  uint32_t flags;
  if (uint32_t(state.cdTrack) == cdStatus_.returnValue) {
    flags = MCI_NOTIFY | MCI_FROM;
  } else {
    play.to = (uint32_t(state.cdTrack) + 1) & 0xFF;
    flags = MCI_NOTIFY | MCI_FROM | MCI_TO;
  }
  cd.sendCommand(cdOpen_.deviceId, MCI_PLAY, flags, &play);
  return 1;
}

void Sound::cdPoll(GameState& state) {
  if (state.cdMode < 0) return;
  start();
  std::string reply;
  system_->cd().sendString("status cdaudio current track", &reply);
  int32_t n = std::atoi(reply.c_str());
  if (n == state.cdTrack) return;
  if (state.cdMode == 1) {
    char buf[80];
    int32_t next =
        int32_t(uint32_t(state.cdTrack) + 1);  // wraps like the 32-bit sum, without overflow
    std::snprintf(buf, sizeof buf, "play cdaudio from %d to %d notify", state.cdTrack, next);
    system_->cd().sendString("set cdaudio time format tmsf", nullptr);
    system_->cd().sendString(buf, nullptr);
  } else {
    state.cdMode = -1;
  }
}

int Sound::cdStop(GameState& state) {
  start();
  system_->cd().sendCommand(cdOpen_.deviceId, MCI_STOP, MCI_WAIT, &cdOpen_);
  system_->cd().sendCommand(cdOpen_.deviceId, MCI_CLOSE, MCI_WAIT, &cdOpen_);
  state.cdMode = -1;
  return 1;
}

// ---- state --------------------------------------------------------------------

bool Sound::musicPlaying() const { return system_ && system_->music().isPlaying(); }
bool Sound::songLoaded() const { return system_ && system_->music().song().hasSong(); }
bool Sound::wavePlaying() const { return system_ && system_->mixer().wavePlaying(); }
int Sound::cdCurrentTrack() const { return system_ ? system_->mixer().cdCurrentTrack() : 0; }

uint32_t Sound::volume(SoundDevice d) const {
  return system_ ? system_->getVolume(d) : 0xFFFFFFFFu;
}

void Sound::setVolume(SoundDevice d, uint32_t v) {
  start();
  system_->setVolume(d, v);
  static const char* const kNames[3] = {"wave", "midi", "cd"};
  trace("volume", JsonObject().Utf8("device", kNames[int(d)]).Int("value", v));
}

}  // namespace mirt
