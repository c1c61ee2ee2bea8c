// libFuzzer target: a WAVE sound handed over from memory, decoded and mixed
// the way WAVEPLAY plays it (once, then looping), on arbitrary bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "sound/SoundMixer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto bytes = std::make_shared<const std::vector<uint8_t>>(data, data + size);
  for (bool loop : {false, true}) {
    mirt::SoundMixer mixer;
    bool playing = mixer.playWave(bytes, loop);
    std::vector<float> out(2 * 4096);
    // A little over half a second of output at most.
    for (uint64_t at = 0; at < 6 * 4096; at += 4096) {
      mixer.renderAudio(out.data(), 4096, at);
      for (float v : out)
        if (!std::isfinite(v)) abort();
      if (!playing) {
        for (float v : out)
          if (v != 0.0f) abort();  // nothing decodable plays nothing
      }
    }
  }
  return 0;
}
