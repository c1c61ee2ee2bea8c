// The headless platform as the fuzz targets that run a whole player use it:
// a silent MIDI output (the music is not what they fuzz, and loading the
// sound font for every input would make them crawl) and a bound on the
// statements one input may run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "FontconfigLeaks.h"
#include "platform/MidiDevice.h"
#include "platform/headless/HeadlessPlatform.h"

namespace mirt_fuzz {

class SilentMidiOut final : public mirt::MidiOut {
 public:
  bool open() override { return true; }
  void shortMsg(uint32_t) override {}
  void longMsg(const uint8_t*, size_t) override {}
  void reset() override {}
  void close() override {}
};

class FuzzPlatform : public mirt::HeadlessPlatform {
 public:
  explicit FuzzPlatform(int maxStatements) : HeadlessPlatform(true), max_(maxStatements) {}
  std::unique_ptr<mirt::MidiOut> openMidiOut(const mirt::MidiOutOptions&) override {
    return std::make_unique<SilentMidiOut>();
  }
  void yieldCpu() override {
    if (++statements_ > max_) throw mirt::TimeLimitReached();
    HeadlessPlatform::yieldCpu();
  }

 private:
  int max_;
  int statements_ = 0;
};

}  // namespace mirt_fuzz
