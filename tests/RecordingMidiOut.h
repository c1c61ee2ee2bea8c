// A MidiOut that records everything it is sent, stamped with a timer's
// time, for the sequencer's tests and benchmarks.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/MidiDevice.h"

namespace mirt {

class RecordingMidiOut final : public MidiOut {
 public:
  enum Kind { kOpen, kShort, kLong, kReset, kClose };
  struct Record {
    Kind kind;
    uint32_t msg;
    std::vector<uint8_t> data;
    uint32_t time;
  };
  explicit RecordingMidiOut(MultimediaTimer* clock = nullptr) : clock_(clock) {}
  bool open() override {
    add({kOpen, 0, {}, 0});
    return true;
  }
  void shortMsg(uint32_t msg) override { add({kShort, msg, {}, 0}); }
  void longMsg(const uint8_t* d, size_t n) override { add({kLong, 0, {d, d + n}, 0}); }
  void reset() override { add({kReset, 0, {}, 0}); }
  void close() override { add({kClose, 0, {}, 0}); }
  // Everything recorded since the last take, oldest first.
  std::vector<Record> take() {
    std::lock_guard<std::mutex> l(mutex_);
    std::vector<Record> r;
    r.swap(log_);
    return r;
  }

 private:
  void add(Record r) {
    r.time = clock_ ? clock_->timeGetTime() : 0;
    std::lock_guard<std::mutex> l(mutex_);
    log_.push_back(std::move(r));
  }
  MultimediaTimer* clock_;
  std::mutex mutex_;
  std::vector<Record> log_;
};

}  // namespace mirt
