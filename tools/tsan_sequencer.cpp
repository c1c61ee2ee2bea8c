// Stress program for the sequencer on the real timer thread; build it with
// -fsanitize=thread. Plays, loops, replaces and stops songs repeatedly while
// the 1 ms callback runs, and checks that nothing is sent after a stop.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/AudioOutput.h"
#include "platform/FluidSynthMidiOut.h"
#include "platform/MidiDevice.h"
#include "sound/CDxMusic.h"
#include "sound/SoundMixer.h"

using namespace mirt;

namespace {

class CountingOut final : public MidiOut {
 public:
  bool open() override {
    isOpen = true;
    return true;
  }
  void shortMsg(uint32_t) override {
    check();
    sent++;
  }
  void longMsg(const uint8_t*, size_t) override {
    check();
    sent++;
  }
  void reset() override { check(); }
  void close() override { isOpen = false; }
  void check() {
    if (!isOpen) misuse++;
  }
  std::atomic<bool> isOpen{false};
  std::atomic<long> sent{0}, misuse{0};
};

std::vector<uint8_t> song(uint8_t step, bool withTempo) {
  std::vector<uint8_t> t;
  if (withTempo) t.insert(t.end(), {0x00, 0xFF, 0x51, 0x03, 0x00, 0x10, 0x00});
  for (int k = 0; k < 20; ++k) {
    t.insert(t.end(), {step, uint8_t(0x90 | (k & 15)), 0x3C, 0x40});
    if (k % 7 == 0) t.insert(t.end(), {0x00, 0xF0, 0x02, 0x41, 0xF7});
    if (withTempo && k % 5 == 0)
      t.insert(t.end(), {0x00, 0xFF, 0x51, 0x03, 0x00, uint8_t(0x08 + k), 0x00});
  }
  t.insert(t.end(), {0x00, 0xFF, 0x2F, 0x00});
  std::vector<uint8_t> b = {'M',
                            'T',
                            'h',
                            'd',
                            0,
                            0,
                            0,
                            6,
                            0,
                            0,
                            0,
                            1,
                            0x01,
                            0xE0,
                            'M',
                            'T',
                            'r',
                            'k',
                            0,
                            0,
                            uint8_t(t.size() >> 8),
                            uint8_t(t.size())};
  b.insert(b.end(), t.begin(), t.end());
  return b;
}

}  // namespace

int main() {
  ThreadTimer timer;
  CountingOut out;
  {
    CDxMusic music(out, timer);
    std::vector<uint8_t> songs[3] = {song(1, true), song(2, false), song(0, true)};
    for (int round = 0; round < 300; ++round) {
      const std::vector<uint8_t>& s = songs[round % 3];
      music.loadImage(s.data(), s.size());
      music.setLoop(round % 2);
      music.play();
      std::this_thread::sleep_for(std::chrono::microseconds(500 + (round * 397) % 8000));
      if (round % 4 == 0) music.play();
      if (round % 5 == 0) music.unload();
      if (round % 3 == 0) {
        music.stop();
        long before = out.sent.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        if (out.sent.load() != before) {
          std::fprintf(stderr, "messages sent after stop\n");
          return 1;
        }
      }
    }
  }
  std::printf("sent %ld messages, %ld to a closed device\n", out.sent.load(), out.misuse.load());
  if (out.misuse.load() != 0) return 1;

  // The real chain: the sequencer's messages go to the synthesizer from the
  // timer thread, an audio thread renders the mix, and the window thread
  // replaces songs and WAVE sounds meanwhile.
  {
    ThreadTimer timer2;
    SoundMixer mixer;
    NullAudioOutput audio(64);
    FluidSynthMidiOut synth;
    synth.setClock([&audio] { return audio.clock(); });
    // As in the window: the first play starts the sound font's load on a
    // thread of its own, and songs hold at their start until it has loaded.
    synth.loadInBackground([] { return true; });
    mixer.setSynth(&synth);
    audio.setSource(&mixer);
    CDxMusic music(synth, timer2);
    std::vector<uint8_t> songs[2] = {song(1, true), song(3, false)};
    std::vector<uint8_t> wav = {'R', 'I', 'F',  'F',  44, 0, 0,    0, 'W',  'A', 'V',  'E',  'f',
                                'm', 't', ' ',  16,   0,  0, 0,    1, 0,    1,   0,    0x44, 0xAC,
                                0,   0,   0x88, 0x58, 1,  0, 2,    0, 16,   0,   'd',  'a',  't',
                                'a', 8,   0,    0,    0,  0, 0x40, 0, 0xC0, 0,   0x40, 0,    0xC0};
    auto wave = std::make_shared<const std::vector<uint8_t>>(wav);
    // The same sound as a CD track file, played as two tracks.
    const std::string track = "/tmp/mirt-tsan-track01.wav";
    if (std::FILE* f = std::fopen(track.c_str(), "wb")) {
      std::fwrite(wav.data(), 1, wav.size(), f);
      std::fclose(f);
    }
    for (int round = 0; round < 120; ++round) {
      const std::vector<uint8_t>& s = songs[round % 2];
      music.loadImage(s.data(), s.size());
      music.setLoop(round % 2);
      music.play();
      mixer.playWave(wave, round % 3 == 0);
      if (round % 2 == 0) mixer.playCd({{1, track}, {2, track}});
      std::this_thread::sleep_for(std::chrono::microseconds(500 + (round * 397) % 6000));
      if (round % 4 == 0) music.play();
      if (round % 3 == 0) music.stop();
      if (round % 5 == 0) mixer.stopWave();
      if (round % 7 == 0) mixer.stopCd();
    }
    std::remove(track.c_str());
    music.stop();
    audio.setSource(nullptr);
  }
  std::printf("synthesizer chain done\n");
  return 0;
}
