// The player's trace: JSON Lines, one object per event, each with the player
// time "t" in milliseconds since start-up and the event name "ev".
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "common/JsonObject.h"

namespace mirt {

class Trace {
 public:
  ~Trace() { Close(); }
  bool Open(const std::string& hostPath);
  void Close();
  bool enabled() const { return file_ != nullptr; }
  // Writes {"t":now,"ev":ev, ...fields}: "t" and "ev" lead the line, the
  // fields follow in key order. ev is a plain lower-case name; fields holds
  // neither "t" nor "ev". Safe from any thread (the MIDI messages come from
  // the timer thread); lines are whole and in the order of the calls.
  void Event(uint32_t t, const char* ev, const JsonObject& fields = JsonObject());

 private:
  std::mutex mutex_;
  FILE* file_ = nullptr;
};

}  // namespace mirt
