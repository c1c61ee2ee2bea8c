// The MIDI sequencer: plays one CPlayData song on a MidiOut, driven by a
// periodic 1 ms multimedia timer whose callback runs on the timer's thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/MidiDevice.h"
#include "sound/SmfParser.h"

namespace mirt {

class CMMTimer {
 public:
  explicit CMMTimer(MultimediaTimer& t);
  ~CMMTimer();
  uint32_t start(uint32_t delayMs, TimerCallback cb, uintptr_t user);
  bool stop();
  uint32_t currentId() const { return id_.load(); }
  // Kills one timer by id without touching the current one.
  void kill(uint32_t id) { timer_.timeKillEvent(id); }

 private:
  MultimediaTimer& timer_;
  std::atomic<uint32_t> id_{0};
  MultimediaTimer::Caps caps_;
};

class CMidiDevice {
 public:
  explicit CMidiDevice(MidiOut& out) : out_(out) {}
  ~CMidiDevice() { close(); }
  bool open(uint32_t id);
  bool close();
  bool isOpen() const { return open_; }
  bool ready() { return out_.ready(); }
  bool shortMessage(uint32_t word);
  bool longMessage(const CMdExclusive* x);

 private:
  MidiOut& out_;
  bool open_ = false;
  uint32_t deviceId_ = 0;
};

struct ChannelRecord {
  uint8_t notes[16];
  uint8_t program, bank, pan, reverb, chorus, volume, volumeSent;
};

class CDxMusic {
 public:
  CDxMusic(MidiOut& out, MultimediaTimer& timer);
  ~CDxMusic();
  CDxMusic(const CDxMusic&) = delete;
  CDxMusic& operator=(const CDxMusic&) = delete;

  // The MIDI archive searched first by load (a name read from init.def).
  void setArchiveName(const std::string& name) { archiveName_ = name; }
  int load(const std::string& name);
  int loadImage(const uint8_t* image, size_t size);  // from bytes in memory
  int play();
  int stop();
  int unload();
  void setLoop(uint32_t value) { loop_ = value; }

  // Read-only views for the owner and tests (valid while stopped).
  const CPlayData& song() const { return song_; }
  const ChannelRecord& channel(int c) const { return channels_[c]; }
  uint32_t tempo() const { return tempo_; }
  uint32_t targetTicks() const { return targetTicks_; }
  bool isStopped() const { return stopped_.load(); }
  // A song is being played: its timer runs.
  bool isPlaying() const { return !stopped_.load() && timer_.currentId() != 0; }

 private:
  static void timerCallback(uint32_t id, uint32_t msg, uintptr_t user, uintptr_t, uintptr_t);
  int stopFrom(bool insideCallback);
  int restart();
  void restoreChannels();
  void sendVolumes(int offset);
  void allSoundOff();
  int resetTiming();
  void tickBody();
  void runTick();
  void clearChannels();
  void sendControl(int c, int controller, int value);

  std::atomic<uint32_t> busy_{0};
  std::atomic<uint32_t> stopped_{0};
  uint32_t timerPeriod_ = 1;
  uint32_t tickScale_ = 0;
  uint32_t msCount_ = 0;
  uint32_t targetTicks_ = 0;
  uint32_t ticksDone_ = 0;
  uint32_t tempo_ = 400000;
  uint32_t wait_ = 0;
  uint32_t loop_ = 1;
  uint32_t deviceId_ = 0xFFFFFFFF;
  ChannelRecord channels_[16];
  CPlayData song_;
  CMMTimer timer_;
  CMidiDevice device_;
  std::string archiveName_;
};

}  // namespace mirt
