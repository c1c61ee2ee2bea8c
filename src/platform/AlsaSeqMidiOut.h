// MidiOut on an ALSA sequencer port: the same messages a device would get,
// sent at once (direct, unqueued) to CLIENT:PORT, or to whoever subscribes
// to our port when no destination is given.
#pragma once

#include <mutex>
#include <string>

#include "platform/MidiDevice.h"

typedef struct _snd_seq snd_seq_t;
typedef struct snd_midi_event snd_midi_event_t;

namespace mirt {

class AlsaSeqMidiOut final : public MidiOut {
 public:
  // destination: "" (subscribers) or "CLIENT:PORT" (numbers or a client name).
  explicit AlsaSeqMidiOut(std::string destination) : destination_(std::move(destination)) {}
  ~AlsaSeqMidiOut() override { close(); }
  bool open() override;
  void shortMsg(uint32_t msg) override;
  void longMsg(const uint8_t* data, size_t length) override;
  void reset() override;
  void close() override;

 private:
  void send(const uint8_t* bytes, size_t n);
  std::string destination_;
  std::mutex mutex_;
  snd_seq_t* seq_ = nullptr;
  snd_midi_event_t* coder_ = nullptr;
  int port_ = -1;
  int destClient_ = -1, destPort_ = -1;
  bool warned_ = false;
};

}  // namespace mirt
