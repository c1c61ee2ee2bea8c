// Standard MIDI File parser: turns an SMF image into one merged, time-ordered
// list of 8-byte entries plus ready-to-send SysEx buffers, so that playback
// only indexes arrays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace mirt {

struct PlayEvent {
  uint32_t delta;  // ticks since the previous entry
  uint8_t status;
  uint8_t d1;  // first data byte / low byte of a 16-bit word
  uint8_t d2;  // second data byte / high byte
  uint8_t zero;
};
static_assert(sizeof(PlayEvent) == 8);

// One SysEx message: 0xF0 followed by the bytes after the length in the file.
struct CMdExclusive {
  std::vector<uint8_t> data;
  const uint8_t* bytes() const { return data.data(); }
  size_t length() const { return data.size(); }
};

class CPlayData {
 public:
  // Replaces any previous song. Never reads outside [image, image + size).
  int load(const uint8_t* image, size_t size);
  void release();

  bool hasSong() const { return events_ != nullptr; }
  bool notFinished() const { return position_ < eventCount_; }
  uint32_t currentMessage() const {
    const PlayEvent& e = events_[position_];
    return uint32_t(e.status) | uint32_t(e.d1) << 8 | uint32_t(e.d2) << 16;
  }
  uint16_t currentWord() const {
    const PlayEvent& e = events_[position_];
    return uint16_t(e.d1 | e.d2 << 8);
  }
  uint32_t currentDelta() const { return events_[position_].delta; }
  void advance() {
    if (position_ < eventCount_) ++position_;
  }
  void rewind() { position_ = 0; }
  const CMdExclusive* exclusive(size_t index) const {
    return index < exclusives_.size() ? &exclusives_[index] : nullptr;
  }

  uint16_t division() const { return division_; }
  uint32_t eventCount() const { return eventCount_; }
  const PlayEvent* events() const { return events_.get(); }
  size_t exclusiveCount() const { return exclusives_.size(); }

 private:
  uint16_t division_ = 0;
  uint32_t eventCount_ = 0;
  std::unique_ptr<PlayEvent[]> events_;
  std::vector<CMdExclusive> exclusives_;
  uint32_t position_ = 0;
};

}  // namespace mirt
