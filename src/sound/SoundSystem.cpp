#include "sound/SoundSystem.h"

#include <cstdio>

namespace mirt {
namespace {

std::string Hex(const uint8_t* b, size_t n) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  s.reserve(n * 2);
  for (size_t i = 0; i < n; ++i) {
    s += digits[b[i] >> 4];
    s += digits[b[i] & 15];
  }
  return s;
}

// Passes everything on and traces the messages, status byte first.
class TracingMidiOut final : public MidiOut {
 public:
  TracingMidiOut(MidiOut& out, SoundSystem::TraceFn trace, std::function<bool()> tracing)
      : out_(out), trace_(std::move(trace)), tracing_(std::move(tracing)) {}
  bool open() override { return out_.open(); }
  void shortMsg(uint32_t msg) override {
    if (on()) {
      ShortMsgBytes m(msg);
      trace_("midi", JsonObject().Utf8("data", Hex(m.b, m.n)));
    }
    out_.shortMsg(msg);
  }
  void longMsg(const uint8_t* data, size_t length) override {
    if (on()) trace_("sysex", JsonObject().Utf8("data", Hex(data, length)));
    out_.longMsg(data, length);
  }
  void reset() override { out_.reset(); }
  void close() override { out_.close(); }
  bool ready() override { return out_.ready(); }

 private:
  // Called on the timer thread: formatting allocates, so only when recorded.
  bool on() const { return trace_ && (!tracing_ || tracing_()); }
  MidiOut& out_;
  SoundSystem::TraceFn trace_;
  std::function<bool()> tracing_;
};

}  // namespace

SoundSystem::SoundSystem(Platform& platform, std::unique_ptr<MidiOut> midiOut, TraceFn trace,
                         std::function<bool()> tracing)
    : platform_(platform),
      trace_(std::move(trace)),
      device_(std::move(midiOut)),
      cd_(mixer_, [this](const JsonObject& o) {
        if (trace_) trace_("cd", o);
      }) {
  mixer_.setSynth(device_->synthesizer());
  tracing_ = std::make_unique<TracingMidiOut>(*device_, trace_, std::move(tracing));
  music_ = std::make_unique<CDxMusic>(*tracing_, platform.multimediaTimer());
  platform_.openAudio(&mixer_);
}

SoundSystem::~SoundSystem() {
  music_->stop();
  music_.reset();
  platform_.openAudio(nullptr);
}

bool SoundSystem::sndPlaySound(std::shared_ptr<const std::vector<uint8_t>> buffer, uint32_t flags) {
  if (!buffer) {
    mixer_.stopWave();
    return true;
  }
  return mixer_.playWave(std::move(buffer), (flags & SND_LOOP) != 0);
}

}  // namespace mirt
