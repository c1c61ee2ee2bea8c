#include "platform/AlsaSeqMidiOut.h"

#include <alsa/asoundlib.h>

#include <cstdio>

namespace mirt {
namespace {
void Quiet(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

bool AlsaSeqMidiOut::open() {
  std::lock_guard<std::mutex> l(mutex_);
  if (seq_) return true;
  snd_lib_error_set_handler(&Quiet);  // one message of our own instead
  if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) {
    seq_ = nullptr;
    if (!warned_) std::fprintf(stderr, "mirt: cannot open the ALSA sequencer; no music\n");
    warned_ = true;
    return false;
  }
  snd_seq_set_client_name(seq_, "mirt");
  port_ = snd_seq_create_simple_port(
      seq_, "mirt music", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
      SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
  snd_midi_event_new(4096, &coder_);
  destClient_ = destPort_ = -1;
  if (!destination_.empty()) {
    snd_seq_addr_t addr;
    if (snd_seq_parse_address(seq_, &addr, destination_.c_str()) < 0 ||
        snd_seq_connect_to(seq_, port_, addr.client, addr.port) < 0) {
      if (coder_) snd_midi_event_free(coder_);
      snd_seq_close(seq_);
      seq_ = nullptr;
      coder_ = nullptr;
      if (!warned_)
        std::fprintf(stderr, "mirt: no ALSA sequencer port %s; no music\n", destination_.c_str());
      warned_ = true;
      return false;
    }
    destClient_ = addr.client;
    destPort_ = addr.port;
  }
  return true;
}

void AlsaSeqMidiOut::send(const uint8_t* bytes, size_t n) {
  if (!seq_ || !coder_) return;
  snd_midi_event_reset_encode(coder_);
  snd_seq_event_t ev;
  snd_seq_ev_clear(&ev);
  if (snd_midi_event_encode(coder_, bytes, long(n), &ev) <= 0 || ev.type == SND_SEQ_EVENT_NONE)
    return;
  snd_seq_ev_set_source(&ev, port_);
  snd_seq_ev_set_subs(&ev);
  snd_seq_ev_set_direct(&ev);
  snd_seq_event_output_direct(seq_, &ev);
}

void AlsaSeqMidiOut::shortMsg(uint32_t msg) {
  ShortMsgBytes m(msg);
  std::lock_guard<std::mutex> l(mutex_);
  send(m.b, m.n);
}

void AlsaSeqMidiOut::longMsg(const uint8_t* data, size_t length) {
  std::lock_guard<std::mutex> l(mutex_);
  if (data && length) send(data, length);
}

void AlsaSeqMidiOut::reset() {
  // A device reset: all notes off and controllers reset on every channel.
  std::lock_guard<std::mutex> l(mutex_);
  for (uint8_t c = 0; c < 16; ++c) {
    uint8_t off[3] = {uint8_t(0xB0 | c), 123, 0}, ctl[3] = {uint8_t(0xB0 | c), 121, 0};
    send(off, 3);
    send(ctl, 3);
  }
}

void AlsaSeqMidiOut::close() {
  std::lock_guard<std::mutex> l(mutex_);
  if (coder_) snd_midi_event_free(coder_);
  if (seq_) snd_seq_close(seq_);
  coder_ = nullptr;
  seq_ = nullptr;
}

}  // namespace mirt
