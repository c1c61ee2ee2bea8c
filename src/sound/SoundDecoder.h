// Decodes a sound file (anything libsndfile reads: WAVE with PCM of 8 to 32
// bits, float, IMA and MS ADPCM, A-law, mu-law; FLAC, Ogg, MP3...) from
// memory or from a file into 44100 Hz stereo floats, a block at a time.
// Other rates go through libsamplerate's fastest windowed-sinc converter;
// samples are cut to full scale, and what is not finite becomes silence.
// Reading and rewinding allocate nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;
typedef struct SRC_STATE_tag SRC_STATE;
struct SF_INFO;

namespace mirt {

class SoundDecoder {
 public:
  // Nothing when the bytes or the file cannot be decoded.
  static std::unique_ptr<SoundDecoder> FromMemory(
      std::shared_ptr<const std::vector<uint8_t>> bytes);
  static std::unique_ptr<SoundDecoder> FromFile(const std::string& hostPath);
  // CD audio in a disc image: raw 16-bit stereo 44100 Hz little-endian
  // samples, bytes of them from offset in the file.
  static std::unique_ptr<SoundDecoder> FromCdAudio(const std::string& hostPath, uint64_t offset,
                                                   uint64_t bytes);
  ~SoundDecoder();
  SoundDecoder(const SoundDecoder&) = delete;
  SoundDecoder& operator=(const SoundDecoder&) = delete;

  // Writes up to frames stereo frames at 44100 Hz; fewer only at the end.
  size_t read(float* stereo, size_t frames);
  // Back to the first frame.
  bool rewind();

  // The memory reader's state (libsndfile's virtual I/O callbacks use it).
  struct Memory {
    std::shared_ptr<const std::vector<uint8_t>> bytes;
    int64_t pos = 0;
  };
  // The region of a file the CD-audio reader reads (pread on fd).
  struct Region {
    int fd = -1;
    int64_t offset = 0, size = 0, pos = 0;
  };

 private:
  SoundDecoder() = default;
  // Takes the decoder whose file_ an sf_open call has just set (or not).
  static std::unique_ptr<SoundDecoder> Opened(std::unique_ptr<SoundDecoder> d, const SF_INFO& info);
  bool init();
  bool fill();  // the next source frames into src_; false at the end
  static long resamplerInput(void* self, float** data);

  std::unique_ptr<Memory> memory_;
  std::unique_ptr<Region> region_;
  SNDFILE* file_ = nullptr;
  int channels_ = 0;
  int rate_ = 0;
  std::vector<float> raw_;          // interleaved, file channels
  std::vector<float> src_;          // the same frames in stereo, cut to full scale
  size_t srcFrames_ = 0;            // frames held in src_
  size_t srcPos_ = 0;               // the next of them to copy (at 44100 Hz)
  SRC_STATE* resampler_ = nullptr;  // null: the file is at 44100 Hz
  double ratio_ = 1;                // output frames per source frame
  bool ended_ = false;
};

}  // namespace mirt
