#include "sound/CDxMusic.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "script/Archive.h"
#include "script/CFile.h"

namespace mirt {

// ---- CMMTimer -------------------------------------------------------------

CMMTimer::CMMTimer(MultimediaTimer& t) : timer_(t) {
  caps_ = timer_.getDevCaps();
  timer_.beginPeriod(caps_.periodMin);
}

CMMTimer::~CMMTimer() { stop(); }

uint32_t CMMTimer::start(uint32_t delayMs, TimerCallback cb, uintptr_t user) {
  stop();
  timer_.beginPeriod(caps_.periodMin);
  id_.store(timer_.timeSetEvent(delayMs, caps_.periodMin, cb, user));
  return id_.load();
}

bool CMMTimer::stop() {
  uint32_t id = id_.exchange(0);
  if (id != 0) timer_.timeKillEvent(id);
  timer_.endPeriod(caps_.periodMin);
  return true;
}

// ---- CMidiDevice ----------------------------------------------------------

bool CMidiDevice::open(uint32_t id) {
  if (id != deviceId_ && open_) close();
  deviceId_ = id;
  if (!open_) open_ = out_.open();
  return open_;
}

bool CMidiDevice::close() {
  if (open_) {
    out_.reset();
    out_.close();
  }
  open_ = false;
  return true;
}

bool CMidiDevice::shortMessage(uint32_t word) {
  if (!open_) return false;
  out_.shortMsg(word);
  return true;
}

bool CMidiDevice::longMessage(const CMdExclusive* x) {
  if (!open_ || !x || x->data.empty()) return false;
  out_.longMsg(x->bytes(), x->length());
  return true;
}

// ---- CDxMusic -------------------------------------------------------------

CDxMusic::CDxMusic(MidiOut& out, MultimediaTimer& timer) : timer_(timer), device_(out) {
  clearChannels();
}

CDxMusic::~CDxMusic() {
  stop();
  device_.close();
  timer_.stop();
  song_.release();
}

void CDxMusic::clearChannels() { std::memset(channels_, 0, sizeof channels_); }

int CDxMusic::load(const std::string& name) {
  stop();
  std::optional<std::vector<uint8_t>> bytes = ReadArchiveMember(archiveName_, name);
  if (!bytes) bytes = ReadWholeFile(name);
  if (bytes)
    song_.load(bytes->data(), bytes->size());
  else
    song_.release();  // nothing to play rather than the old song
  clearChannels();
  wait_ = 0;
  tempo_ = 400000;
  return 1;
}

int CDxMusic::loadImage(const uint8_t* image, size_t size) {
  stop();
  song_.load(image, size);
  clearChannels();
  wait_ = 0;
  tempo_ = 400000;
  return 1;
}

int CDxMusic::play() {
  if (!song_.hasSong()) return 0;
  stop();
  stopped_.store(0);
  clearChannels();
  wait_ = 0;
  tempo_ = 400000;
  song_.rewind();
  device_.open(0xFFFFFFFF);
  resetTiming();
  return 1;
}

int CDxMusic::unload() {
  if (!song_.hasSong()) return 0;
  stop();
  song_.release();
  return 1;
}

int CDxMusic::stop() { return stopFrom(false); }

// Order: stopped, timer, wait for the tick body, then device and song. From
// inside the callback the tick body is the caller itself and keeps busy set
// until it has finished, so a concurrent stop on the window thread waits for
// all of it.
int CDxMusic::stopFrom(bool insideCallback) {
  stopped_.store(1);
  timer_.stop();
  if (!insideCallback) {
    while (busy_.load() != 0) std::this_thread::yield();
    // A tick body that was already running may have started a new timer
    // (a tempo entry, a loop restart) before it saw the stop; kill that one
    // too. No tick body can start another from here on.
    timer_.stop();
  }
  sendVolumes(-128);
  device_.close();
  for (ChannelRecord& ch : channels_) std::memset(ch.notes, 0, sizeof ch.notes);
  return 1;
}

int CDxMusic::resetTiming() {
  if (stopped_.load()) return 0;
  timerPeriod_ = 1;
  tickScale_ = uint32_t(song_.division()) * 1000;
  msCount_ = 0;
  targetTicks_ = tickScale_ / tempo_;
  ticksDone_ = 0;
  timer_.stop();
  timer_.start(timerPeriod_, &CDxMusic::timerCallback, reinterpret_cast<uintptr_t>(this));
  return 1;
}

void CDxMusic::timerCallback(uint32_t id, uint32_t, uintptr_t user, uintptr_t, uintptr_t) {
  CDxMusic* self = reinterpret_cast<CDxMusic*>(user);
  // busy is raised before stopped is looked at: a stop that has set stopped
  // then either sees busy and waits, or this firing sees stopped and leaves.
  if (self->busy_.exchange(1) != 0) {
    // Only a second timer thread could find a tick body running. The firing
    // is dropped uncounted: msCount belongs to that tick body.
    return;
  }
  if (self->stopped_.load()) {
    // A timer that a tick body started while a stop was under way may fire
    // before that stop kills it as well; the firing ends it.
    self->timer_.kill(id);
    self->busy_.store(0);
    return;
  }
  // A song started while its output is still getting ready (a sound font
  // loading) holds at its start: the firing is not counted.
  if (id != self->timer_.currentId() || !self->device_.ready()) {
    self->busy_.store(0);
    return;
  }
  self->msCount_ += 1;
  self->tickBody();
  self->busy_.store(0);
}

void CDxMusic::tickBody() {
  if (song_.notFinished()) {
    targetTicks_ = uint32_t(uint64_t(msCount_) * tickScale_ / tempo_);
    for (int k = 0; k < 10 && ticksDone_ < targetTicks_; ++k) {
      runTick();
      ticksDone_ += 1;
    }
  } else if (loop_ != 0) {
    timer_.stop();
    song_.rewind();
    wait_ = 0;
    restart();
  } else {
    stopFrom(true);
  }
}

void CDxMusic::runTick() {
  while (wait_ == 0 && song_.notFinished()) {
    uint32_t m = song_.currentMessage();
    uint8_t status = uint8_t(m);
    if (status == 0xF0) {
      device_.longMessage(song_.exclusive(song_.currentWord()));
    } else if (status == 0xFF) {
      uint32_t lo = song_.currentWord();
      song_.advance();
      uint32_t hi = song_.currentWord();
      uint32_t t = lo | hi << 16;
      if (t != 0) tempo_ = t;  // the parser never stores 0
      resetTiming();
    } else {
      int c = status & 0x0F;
      uint8_t d1 = uint8_t(m >> 8), d2 = uint8_t(m >> 16);
      ChannelRecord& ch = channels_[c];
      switch (status & 0xF0) {
        case 0x80: ch.notes[(d1 >> 3) & 15] &= uint8_t(~(1u << (d1 & 7))); break;
        case 0x90:
          if (d2 == 0)
            ch.notes[(d1 >> 3) & 15] &= uint8_t(~(1u << (d1 & 7)));
          else
            ch.notes[(d1 >> 3) & 15] |= uint8_t(1u << (d1 & 7));
          break;
        case 0xB0:
          switch (d1) {
            case 0: ch.bank = d2; break;
            case 7:
              ch.volume = d2;
              ch.volumeSent = d2;
              break;
            case 10: ch.pan = d2; break;
            case 91: ch.reverb = d2; break;
            case 93: ch.chorus = d2; break;
            default: break;
          }
          break;
        case 0xC0: ch.program = d1; break;
        default: break;
      }
      device_.shortMessage(m);
    }
    song_.advance();
    wait_ = song_.currentDelta();
  }
  wait_ -= 1;
}

// Runs only inside a tick body, which the callback enters with stopped
// clear; if stopped is set now, a stop on the window thread is under way and
// the loop must not undo it.
int CDxMusic::restart() {
  if (!song_.hasSong()) return 0;
  if (stopped_.load()) return 0;
  if (!device_.isOpen()) {
    device_.open(deviceId_);
    allSoundOff();
  }
  restoreChannels();
  resetTiming();
  return 1;
}

void CDxMusic::sendControl(int c, int controller, int value) {
  device_.shortMessage(uint32_t(0xB0 | c) | uint32_t(controller) << 8 | uint32_t(value) << 16);
}

void CDxMusic::restoreChannels() {
  for (int c = 0; c < 16; ++c)
    device_.shortMessage(uint32_t(0xC0 | c) | uint32_t(channels_[c].program) << 8);
  for (int c = 0; c < 16; ++c) sendControl(c, 0, channels_[c].bank);
  for (int c = 0; c < 16; ++c) sendControl(c, 10, channels_[c].pan);
  for (int c = 0; c < 16; ++c) sendControl(c, 91, channels_[c].reverb);
  for (int c = 0; c < 16; ++c) sendControl(c, 93, channels_[c].chorus);
  sendVolumes(0);
}

void CDxMusic::sendVolumes(int offset) {
  for (int c = 0; c < 16; ++c)
    sendControl(c, 7, std::clamp(int(channels_[c].volume) + offset, 0, 127));
}

void CDxMusic::allSoundOff() {
  for (int c = 0; c < 16; ++c) sendControl(c, 0x78, 0);
}

}  // namespace mirt
