// The player's sound: the MIDI music, the one WAVE sound and the CD track,
// as the sound commands, loading a game and the shutdown drive them. The
// devices are made on first use (normally by the window's creation) and
// live until the player goes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/JsonObject.h"
#include "platform/Platform.h"
#include "script/GameState.h"
#include "sound/CdAudio.h"
#include "sound/SoundMixer.h"
#include "sound/SoundSystem.h"

namespace mirt {

// What the sound needs from its owner.
struct SoundHooks {
  // An event for the trace; MIDI messages come from the timer thread.
  SoundSystem::TraceFn trace;
  // Whether anything is recorded (MIDI messages are formatted only then).
  std::function<bool()> tracing;
  // A modal message box (CP932 text).
  std::function<void(const std::string&)> message;
};

class Sound {
 public:
  Sound(Platform& platform, SoundHooks hooks);
  ~Sound();
  Sound(const Sound&) = delete;
  Sound& operator=(const Sound&) = delete;

  // --soundfont and --midi-out; they count from the next start().
  void setOptions(const SoundOptions& options) { options_ = options; }

  // Makes the devices, once, and takes the device volumes as they are then:
  // shutdown() gives them back.
  void start();
  bool started() const { return system_ != nullptr; }
  // The window's destruction: every source stops, the song is released and
  // the devices get their start-up volumes back.
  void shutdown(GameState& state);

  // ---- MIDI -------------------------------------------------------------
  // Loads the song (from the MIDI archive, else the plain file); the music
  // that played stops. True when a song is loaded.
  bool loadMusic(const std::string& name, const std::string& midiArchive);
  // The loaded song from its start: mode 0 once, 1 looping.
  void playMusic(int32_t mode);
  void stopMusic();

  // ---- WAVE -------------------------------------------------------------
  // WavePlay: plays state.waveName (upper-cased in place when it is looked
  // up in the archive) from memory; flag 0 loops. Always 1.
  int wavePlay(GameState& state, const std::string& waveArchive, int32_t flag);
  // sndPlaySoundA(none, 0): any WAVE sound stops.
  void waveStop();

  // ---- CD ---------------------------------------------------------------
  int cdPlay(const GameState& state);  // state.cdTrack, alone or to the end of the disc
  void cdPoll(GameState& state);       // the 100 ms repeat check
  int cdStop(GameState& state);        // stop and close; cdMode -1
  // The WAVE sound, the music and the CD stopped, as a new story or a load
  // wants it.
  void StopAll(GameState& state) {
    waveStop();
    stopMusic();
    cdStop(state);
  }

  // ---- state, for the dump and the volume dialog ---------------------
  bool musicPlaying() const;
  bool songLoaded() const;
  bool wavePlaying() const;
  int cdCurrentTrack() const;
  uint32_t volume(SoundDevice d) const;
  void setVolume(SoundDevice d, uint32_t v);
  uint32_t startupVolume(SoundDevice d) const { return startupVolumes_[int(d)]; }

 private:
  void trace(const char* ev, const JsonObject& o) {
    if (hooks_.trace) hooks_.trace(ev, o);
  }

  Platform& platform_;
  SoundHooks hooks_;
  SoundOptions options_;
  std::unique_ptr<SoundSystem> system_;
  uint32_t startupVolumes_[3] = {0, 0, 0};
  // WaveBuffer: the whole WAVE file last played; the mixer keeps its own
  // reference while the sound plays.
  std::shared_ptr<const std::vector<uint8_t>> waveBuffer_;
  MciOpenParms cdOpen_;  // the device id every CD command uses
  MciStatusParms cdStatus_;
};

}  // namespace mirt
