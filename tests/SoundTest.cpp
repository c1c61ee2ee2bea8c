// The sound commands, the WAVE and CD emulation and the synthesizer, heard
// through the rendered mix: games run headless on the virtual clock with
// --audio-out and the WAVE file they leave is examined.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ArchiveFixture.h"
#include "GameFixture.h"
#include "platform/AudioOutput.h"
#include "platform/FluidSynthMidiOut.h"
#include "platform/HostFiles.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/Automation.h"
#include "shell/Player.h"
#include "sound/CDxMusic.h"
#include "sound/CdAudio.h"
#include "sound/SoundMixer.h"

namespace {

using mirt_test::GameDir;
using mirt_test::Has;

constexpr int kRate = 44100;

// A mono sine WAVE file in the given libsndfile format (PCM, float, ADPCM...).
std::string SineFile(int format, int rate, double freq, double seconds, double amp = 0.5) {
  char path[] = "/tmp/mirt-sine-XXXXXX";
  int fd = mkstemp(path);
  close(fd);
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = format;
  SNDFILE* f = sf_open(path, SFM_WRITE, &info);
  EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
  std::vector<float> s(size_t(rate * seconds));
  for (size_t i = 0; i < s.size(); ++i)
    s[i] = float(amp * std::sin(2 * M_PI * freq * double(i) / rate));
  sf_writef_float(f, s.data(), sf_count_t(s.size()));
  sf_close(f);
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path);
  return bytes;
}

std::string Sine16(double freq, double seconds, double amp = 0.5, int rate = 22050) {
  return SineFile(SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, freq, seconds, amp);
}

// File bytes as the mixer takes them.
std::shared_ptr<const std::vector<uint8_t>> Buffer(const std::string& b) {
  return std::make_shared<const std::vector<uint8_t>>(b.begin(), b.end());
}

// The left channel of a rendered WAVE file.
std::vector<float> ReadLeft(const std::string& path) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return {};
  std::vector<float> all(size_t(info.frames) * size_t(info.channels));
  sf_readf_float(f, all.data(), info.frames);
  sf_close(f);
  std::vector<float> left(size_t(info.frames));
  for (size_t i = 0; i < left.size(); ++i) left[i] = all[i * size_t(info.channels)];
  return left;
}

// Peak amplitude between two player times (ms).
float Peak(const std::vector<float>& s, int fromMs, int toMs) {
  float p = 0;
  for (size_t i = size_t(fromMs) * kRate / 1000; i < size_t(toMs) * kRate / 1000 && i < s.size();
       ++i)
    p = std::max(p, std::fabs(s[i]));
  return p;
}

// Zero crossings per second between two times: the pitch of a sine.
double Frequency(const std::vector<float>& s, int fromMs, int toMs) {
  size_t a = size_t(fromMs) * kRate / 1000, b = std::min(s.size(), size_t(toMs) * kRate / 1000);
  int crossings = 0;
  for (size_t i = a + 1; i < b; ++i)
    if ((s[i - 1] < 0) != (s[i] < 0)) ++crossings;
  return crossings / 2.0 / (double(b - a) / kRate);
}

// The player time (ms) of a trace line: {"t":TIME,...
int LineTime(const std::string& line) { return std::atoi(line.c_str() + 5); }

struct SoundGame : GameDir {
  SoundGame() { InitDef("start.txt"); }
  // Runs with the audio rendered to render.wav; returns the exit code.
  // "dump NAME" writes NAME in the game folder.
  int RunWithAudio(std::string actions, uint32_t maxTime = 600000) {
    for (size_t p = 0; (p = actions.find("dump ", p)) != std::string::npos; p += 5)
      actions.insert(p + 5, Path(""));
    return Run(actions, maxTime, "render.wav");
  }
  std::vector<float> Audio() const { return ReadLeft(Path("render.wav")); }
  // Player time of the first trace line holding needle, -1 when none.
  int TimeOf(const std::string& needle) const {
    for (const std::string& l : Events(needle)) return LineTime(l);
    return -1;
  }
  std::string Dump() const { return Read("dump.json"); }
};

// ---- WAVE ------------------------------------------------------------------------

TEST(WaveSound, LoopsUntilStoppedAndOncePlaysItsLength) {
  SoundGame g;
  g.WriteBytes("loop.wav", Sine16(440, 0.25));
  g.WriteBytes("once.wav", Sine16(880, 0.3));
  g.WriteScript("start.txt", "~WAVEPLAY \"loop.wav\",0\n\"a\"\\n\n~WAVESTOP\n\"b\"\\n\n"
                             "~WAVEPLAY \"once.wav\",1\n\"c\"\\n\n");
  ASSERT_EQ(g.RunWithAudio("wait 2000\ndump dump.json\nclick\nwait 1000\nclick\nwait 2000\n"), 0);
  std::vector<float> s = g.Audio();
  int play = g.TimeOf("\"op\":\"play\"");
  int stop = g.TimeOf("\"op\":\"stop\"");
  ASSERT_GE(play, 0);
  ASSERT_GT(stop, play + 1500);
  // A quarter-second sound still sounds after 1.5 s: it loops; at 440 Hz.
  EXPECT_GT(Peak(s, play + 1200, play + 1500), 0.4f);
  EXPECT_NEAR(Frequency(s, play + 100, play + 1400), 440, 5);
  EXPECT_LT(Peak(s, stop + 5, stop + 900), 1e-4f);  // silent after WAVESTOP
  EXPECT_TRUE(Has(g.Dump(), "\"waveMode\":0"));
  EXPECT_TRUE(Has(g.Dump(), "\"wavePlaying\":true"));
  // Played once: 0.3 s of 880 Hz, then silence.
  std::vector<std::string> plays = g.Events("\"op\":\"play\"");
  ASSERT_EQ(plays.size(), 2u);
  int once = LineTime(plays[1]);
  EXPECT_GT(Peak(s, once + 20, once + 280), 0.4f);
  EXPECT_NEAR(Frequency(s, once + 10, once + 290), 880, 10);
  EXPECT_LT(Peak(s, once + 320, once + 1500), 1e-4f);
  EXPECT_TRUE(Has(plays[0], "\"loop\":true"));
  EXPECT_TRUE(Has(plays[1], "\"loop\":false"));
}

TEST(WaveSound, NewSoundReplacesTheOldAndVolumeScales) {
  SoundGame g;
  g.WriteBytes("low.wav", Sine16(300, 0.2));
  g.WriteBytes("high.wav", Sine16(1200, 0.2));
  g.WriteScript("start.txt",
                "~WAVEPLAY \"low.wav\",0\n\"a\"\\n\n~WAVEPLAY \"high.wav\",0\n\"b\"\\n\n");
  ASSERT_EQ(g.RunWithAudio("wait 1000\nclick\nwait 1000\n"), 0);
  std::vector<float> s = g.Audio();
  std::vector<std::string> plays = g.Events("\"op\":\"play\"");
  ASSERT_EQ(plays.size(), 2u);
  int first = LineTime(plays[0]), second = LineTime(plays[1]);
  EXPECT_NEAR(Frequency(s, first + 50, second - 10), 300, 8);
  EXPECT_NEAR(Frequency(s, second + 50, second + 900), 1200, 15);  // only the new one
  EXPECT_NEAR(Peak(s, second + 50, second + 900), 0.5f, 0.02f);    // full volume: as written

  // The device volume scales each channel in 16-bit steps.
  mirt::SoundMixer m;
  m.setVolume(mirt::SoundDevice::Wave, 0x8000u << 16 | 0x4000u);  // left 1/4, right 1/2
  ASSERT_TRUE(m.playWave(Buffer(Sine16(441, 0.5, 0.8, 44100)), true));
  std::vector<float> out(4410 * 2);
  m.renderAudio(out.data(), 4410, 0);
  float l = 0, r = 0;
  for (size_t i = 0; i < 4410; ++i) l = std::max(l, out[2 * i]), r = std::max(r, out[2 * i + 1]);
  EXPECT_NEAR(l, 0.8f * 0x4000 / 65535, 0.01f);
  EXPECT_NEAR(r, 0.8f * 0x8000 / 65535, 0.01f);
}

TEST(WaveSound, EveryWaveEncodingDecodes) {
  const int formats[] = {SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16,    SF_FORMAT_PCM_24,
                         SF_FORMAT_PCM_32, SF_FORMAT_FLOAT,     SF_FORMAT_ULAW,
                         SF_FORMAT_ALAW,   SF_FORMAT_IMA_ADPCM, SF_FORMAT_MS_ADPCM};
  for (int f : formats) {
    mirt::SoundMixer m;
    ASSERT_TRUE(m.playWave(Buffer(SineFile(SF_FORMAT_WAV | f, 8000, 500, 0.5)), false))
        << std::hex << f;
    std::vector<float> out(kRate / 4 * 2);
    m.renderAudio(out.data(), kRate / 4, 0);
    std::vector<float> left(kRate / 4);
    for (size_t i = 0; i < left.size(); ++i) left[i] = out[2 * i];
    EXPECT_NEAR(Frequency(left, 20, 240), 500, 10) << std::hex << f;  // resampled 8000 -> 44100
    EXPECT_NEAR(Peak(left, 20, 240), 0.5f, 0.06f) << std::hex << f;
  }
}

// The tone against everything else, in dB: x (its first and last 20 ms
// left out) is fitted by least squares with a sine and a cosine of freq and
// a constant; the energy of the fitted tone over that of the residual.
double ToneSnrDb(const std::vector<float>& x, double freq) {
  size_t edge = kRate / 50;
  if (x.size() < 3 * edge) return -999;
  double m[3][3] = {}, v[3] = {};
  const double w = 2 * M_PI * freq / kRate;
  for (size_t i = edge; i < x.size() - edge; ++i) {
    double f[3] = {std::sin(w * double(i)), std::cos(w * double(i)), 1};
    for (int r = 0; r < 3; ++r) {
      v[r] += f[r] * x[i];
      for (int c = 0; c < 3; ++c) m[r][c] += f[r] * f[c];
    }
  }
  for (int p = 0; p < 3; ++p)
    for (int r = 0; r < 3; ++r) {
      if (r == p) continue;
      double k = m[r][p] / m[p][p];
      for (int c = 0; c < 3; ++c) m[r][c] -= k * m[p][c];
      v[r] -= k * v[p];
    }
  double a = v[0] / m[0][0], b = v[1] / m[1][1], c = v[2] / m[2][2], tone = 0, rest = 0;
  for (size_t i = edge; i < x.size() - edge; ++i) {
    double t = a * std::sin(w * double(i)) + b * std::cos(w * double(i));
    tone += t * t;
    rest += (x[i] - t - c) * (x[i] - t - c);
  }
  return 10 * std::log10(tone / std::max(rest, 1e-300));
}

// Everything a sound renders to, left channel, 512 frames at a time.
std::vector<float> RenderWave(const std::string& file) {
  mirt::SoundMixer m;
  EXPECT_TRUE(m.playWave(Buffer(file), false));
  std::vector<float> out(2 * 512), left;
  for (uint64_t at = 0; m.wavePlaying() && at < 60 * kRate; at += 512) {
    m.renderAudio(out.data(), 512, at);
    for (size_t i = 0; i < 512; ++i) left.push_back(out[2 * i]);
  }
  while (!left.empty() && left.back() == 0.0f) left.pop_back();
  return left;
}

TEST(WaveSound, ResamplingKeepsAToneCleanAndTheSoundItsLength) {
  // Nearest-sample conversion leaves a 1 kHz tone about 23 dB above its
  // error at 22050 Hz, linear interpolation 46 dB, playing the samples
  // unconverted a wrong pitch; a windowed-sinc filter over 100 dB.
  for (int rate : {8000, 22050, 48000}) {
    std::vector<float> s = RenderWave(SineFile(SF_FORMAT_WAV | SF_FORMAT_FLOAT, rate, 1000, 1.0));
    EXPECT_GT(ToneSnrDb(s, 1000), 90) << rate;
    EXPECT_NEAR(double(s.size()), kRate, 30) << rate;  // one second, tail included
  }
  // At the output rate the samples pass as they are.
  std::string pcm = Sine16(1000, 0.5, 0.5, kRate);
  std::vector<float> s = RenderWave(pcm);
  ASSERT_EQ(s.size(), size_t(kRate / 2));
  for (size_t i = 0; i < s.size(); ++i) {
    int16_t v;
    std::memcpy(&v, pcm.data() + 44 + 2 * i, 2);
    ASSERT_EQ(s[i], float(v) / 32768.0f) << i;
  }
}

// A float WAVE holding huge values, infinities and NaN plays as a bounded,
// finite signal (huge values next to each other once overflowed the
// resampler's interpolation into infinities).
TEST(WaveSound, FloatSamplesPastFullScaleStayFinite) {
  const float samples[] = {3e38f, -3e38f, 3e38f, INFINITY, -INFINITY, NAN, 0.5f, -0.5f};
  std::string data;
  for (int rep = 0; rep < 64; ++rep)
    for (float f : samples) data.append(reinterpret_cast<const char*>(&f), 4);
  auto le32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  auto le16 = [](uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
  std::string fmt = le16(3) + le16(1) + le32(8000) + le32(32000) + le16(4) + le16(32);
  std::string body =
      "WAVEfmt " + le32(uint32_t(fmt.size())) + fmt + "data" + le32(uint32_t(data.size())) + data;
  std::string file = "RIFF" + le32(uint32_t(body.size())) + body;
  mirt::SoundMixer m;
  ASSERT_TRUE(m.playWave(Buffer(file), true));
  std::vector<float> out(4096 * 2);
  float peak = 0;
  for (uint64_t at = 0; at < 4 * 4096; at += 4096) {
    m.renderAudio(out.data(), 4096, at);
    for (float v : out) {
      ASSERT_TRUE(std::isfinite(v));
      peak = std::max(peak, std::fabs(v));
    }
  }
  EXPECT_LE(peak, 1.0f);
  EXPECT_GT(peak, 0.4f);  // the sound is there, not muted
}

TEST(WaveSound, BuffersThatCannotBeDecodedPlayNothingAndBuffersLiveWhilePlaying) {
  mirt::SoundMixer m;
  const std::vector<std::vector<uint8_t>> junk = {
      {}, {'R', 'I', 'F', 'F'}, std::vector<uint8_t>(1000, 0x55), [] {
        std::string b = Sine16(440, 0.1).substr(0, 30);
        return std::vector<uint8_t>(b.begin(), b.end());
      }()};
  for (const auto& j : junk) {
    EXPECT_FALSE(m.playWave(std::make_shared<const std::vector<uint8_t>>(j), true));
    std::vector<float> out(512 * 2, 1.0f);
    m.renderAudio(out.data(), 512, 0);
    for (float v : out) ASSERT_EQ(v, 0.0f);
  }
  // The player drops its reference at once; the mixer keeps the bytes
  // until the sound has ended.
  std::weak_ptr<const std::vector<uint8_t>> weak;
  {
    auto buf = Buffer(Sine16(440, 0.05, 0.5, 44100));
    weak = buf;
    ASSERT_TRUE(m.playWave(buf, false));
  }
  EXPECT_FALSE(weak.expired());
  std::vector<float> out(4096 * 2);
  m.renderAudio(out.data(), 1024, 0);
  EXPECT_FALSE(weak.expired());
  m.renderAudio(out.data(), 4096, 1024);  // past its 2205 frames
  EXPECT_FALSE(m.wavePlaying());
  EXPECT_FALSE(weak.expired());  // the audio thread frees nothing
  m.stopWave();
  EXPECT_TRUE(weak.expired());
}

TEST(CdAudio, EveryTrackOfAPlayIsOpenedBeforeItStarts) {
  // The audio thread only reads: a later track's file is opened by the
  // play, so it still plays when the file has gone meanwhile.
  GameDir g;
  g.WriteBytes("t1.wav", Sine16(500, 0.05, 0.5, 44100));
  g.WriteBytes("t2.wav", Sine16(900, 0.2, 0.5, 44100));
  mirt::SoundMixer m;
  m.playCd({{1, g.Path("t1.wav")}, {2, g.Path("t2.wav")}});
  std::filesystem::remove(g.Path("t2.wav"));
  std::vector<float> out(2 * 4096);
  m.renderAudio(out.data(), 4096, 0);  // track 1 ends at frame 2205
  EXPECT_EQ(m.cdCurrentTrack(), 2);
  EXPECT_GT(std::fabs(out[2 * 3000]) + std::fabs(out[2 * 3001]) + std::fabs(out[2 * 3002]), 0.01f);
  m.stopCd();
  EXPECT_EQ(m.cdCurrentTrack(), 0);
}

TEST(WaveSound, MissingFileArchiveLookupAndLongNames) {
  SoundGame g;
  // A WAVE archive (init.def line 8) holding one upper-case entry.
  std::string wav = Sine16(600, 0.2);
  g.WriteBytes("wave.dat", mirt_test::ArchiveFile({{"BELL.WAV", wav}}));
  g.WriteScript("init.def", "10\n20\n30\n40\n50\nstart.txt\n\nwave.dat\n\n");
  std::string longName(100, 'x');
  g.WriteScript("start.txt", "~WAVEPLAY \"bell.wav\",1\n\"a\"\\n\n~WAVEPLAY \"nothere.wav\",1\n"
                             "\"b\"\\n\n~WAVEPLAY \"" +
                                 longName + "\",1\n\"c\"\\n\n");
  ASSERT_EQ(g.RunWithAudio(
                "wait 500\ndump dump.json\nclick\nwait 100\nclick\nwait 100\ndump dump2.json\n"),
            0);
  std::vector<float> s = g.Audio();
  int play = g.TimeOf("\"op\":\"play\"");
  EXPECT_NEAR(Frequency(s, play + 20, play + 180), 600, 10);
  EXPECT_TRUE(Has(g.Dump(), "\"waveName\":\"BELL.WAV\""));  // upper-cased in place
  // Neither in the archive nor a plain file: the message, and the script goes on.
  std::vector<std::string> msgs = g.Messages();
  ASSERT_EQ(msgs.size(), 2u);
  EXPECT_EQ(msgs[0], "WAVE再生失敗");
  // A name of 100 bytes is kept as its first 79.
  EXPECT_TRUE(Has(g.Read("dump2.json"), "\"waveName\":\"" + std::string(79, 'X') + "\""));
}

// ---- the --audio-out file -------------------------------------------------------

TEST(AudioOutFile, SixteenBitStereoCutToFullScaleWithItsSizesInTheHeader) {
  GameDir g;
  mirt::WaveFileWriter w;
  EXPECT_FALSE(w.open(g.Path("no/such/folder/out.wav")));
  ASSERT_TRUE(w.open(g.Path("out.wav")));
  const float first[] = {0.25f, -0.25f, 1.5f, -1.5f, NAN, INFINITY, 1.0f, -1.0f};
  w.write(first, 4);
  std::vector<float> quiet(2 * 1000, 0.001f);
  w.write(quiet.data(), 1000);
  w.close();
  EXPECT_FALSE(w.isOpen());

  EXPECT_EQ(std::filesystem::file_size(g.Path("out.wav")), 44u + 1004u * 4);  // the plain header
  SF_INFO info{};
  SNDFILE* f = sf_open(g.Path("out.wav").c_str(), SFM_READ, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_EQ(info.channels, 2);
  EXPECT_EQ(info.samplerate, kRate);
  EXPECT_EQ(info.frames, 1004);
  std::vector<short> s(size_t(info.frames) * 2);
  EXPECT_EQ(sf_readf_short(f, s.data(), info.frames), 1004);
  sf_close(f);
  // Full scale is 32767 either way; past it is cut, what is not finite is 0.
  const short expected[] = {8192, -8192, 32767, -32767, 0, 0, 32767, -32767};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(s[i], expected[i]) << i;
  EXPECT_EQ(s[8], 33);  // 0.001 of full scale
  EXPECT_EQ(s.back(), 33);
}

// ---- MIDI ------------------------------------------------------------------------

std::string Song(int program, int key) {
  // One track, division 96, tempo 500000: a note every quarter, ~2 s long.
  std::string t = {0, char(0xC0), char(program), 0, char(0xB0), 7, 100};
  for (int i = 0; i < 4; ++i) {
    t += {0, char(0x90), char(key + i), 100};
    t += {0x60, char(0x80), char(key + i), 0};
  }
  t += {0, char(0xFF), 0x2F, 0};
  std::string h = {'M', 'T', 'h', 'd', 0,   0,   0,   6, 0, 0, 0,
                   1,   0,   96,  'M', 'T', 'r', 'k', 0, 0, 0, char(t.size())};
  return h + t;
}

TEST(MidiCommands, PlayStopBadFlagAndMissingSong) {
  SoundGame g;
  g.WriteBytes("song.mid", Song(0, 60));
  g.WriteScript("start.txt",
                "~MIDIPLAY \"song.mid\",1\n\"a\"\\n\n~MIDISTOP\n\"b\"\\n\n"
                "~MIDIPLAY \"song.mid\",2\n\"c\"\\n\n~MIDIPLAY \"gone.mid\",0\n\"d\"\\n\n");
  ASSERT_EQ(g.RunWithAudio("wait 3000\ndump dump.json\nclick\nwait 1000\nclick\nwait 500\n"
                           "dump dump2.json\nclick\nwait 500\ndump dump3.json\n"),
            0);
  std::vector<float> s = g.Audio();
  int play = g.TimeOf("\"name\":\"MIDIPLAY\"");
  int stop = g.TimeOf("\"name\":\"MIDISTOP\"");
  // Looping: still sounding after its ~2 s length; silent soon after MIDISTOP.
  EXPECT_GT(Peak(s, play + 100, play + 500), 0.01f);
  EXPECT_GT(Peak(s, play + 2300, play + 2900), 0.01f);
  EXPECT_LT(Peak(s, stop + 50, stop + 900), 2e-3f);  // at most a reverb tail
  EXPECT_TRUE(Has(g.Dump(), "\"midiMode\":2"));
  EXPECT_TRUE(Has(g.Dump(), "\"musicPlaying\":true"));
  // The first messages: the program change on the first tick, then the
  // stop's volume 0 on every channel, and nothing after.
  std::vector<std::string> midi = g.Events("\"ev\":\"midi\"");
  ASSERT_FALSE(midi.empty());
  EXPECT_TRUE(Has(midi[0], "\"data\":\"c000\""));
  // Division 96 at the default 400000 us: the first tick falls in ms 5.
  EXPECT_EQ(LineTime(midi[0]), play + 5);
  int lastMidi = LineTime(midi.back());
  EXPECT_EQ(lastMidi, stop);
  EXPECT_TRUE(Has(midi.back(), "\"data\":\"bf0700\""));
  // Mode 2: the song loads (the old music stops), the flag message, no play.
  EXPECT_EQ(g.Messages(), std::vector<std::string>{"フラグが不正です。"});
  std::string d2 = g.Read("dump2.json");
  EXPECT_TRUE(Has(d2, "\"midiMode\":0"));
  EXPECT_TRUE(Has(d2, "\"songLoaded\":true"));
  EXPECT_TRUE(Has(d2, "\"musicPlaying\":false"));
  // A missing song leaves nothing loaded and plays nothing.
  std::string d3 = g.Read("dump3.json");
  EXPECT_TRUE(Has(d3, "\"songLoaded\":false"));
  EXPECT_TRUE(Has(d3, "\"musicPlaying\":false"));
  EXPECT_TRUE(Has(d3, "\"midiName\":\"gone.mid\""));
}

TEST(MidiSynth, RenderingGoesOnWhileASoundFontLoads) {
  // The sound font is a pipe that delivers nothing until the end of the
  // test: loading it stalls. The audio thread's render must not wait for it.
  GameDir g;
  std::string fifo = g.Path("slow.sf2");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  mirt::FluidSynthMidiOut synth(fifo);
  std::thread opener([&] { EXPECT_FALSE(synth.open()); });
  int writer = -1;
  for (int k = 0; k < 5000 && writer < 0; ++k) {  // the loader has the pipe open
    writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_GE(writer, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // now reading it
  std::atomic<bool> rendered{false};
  std::thread audio([&] {
    std::vector<float> out(2 * 64);
    synth.render(out.data(), 64, 0);
    rendered = true;
  });
  for (int k = 0; k < 300 && !rendered; ++k)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(rendered.load());
  if (writer >= 0) ::close(writer);  // end of file: the load fails and everything finishes
  audio.join();
  opener.join();
}

TEST(MidiSynth, ASongStartedWhileTheSoundFontLoadsIsHeardFromItsStart) {
  // The window's synthesizer loads its sound font in the background, from
  // the first play on. A song started meanwhile holds at its start: a wood
  // block at 0 ms and another at 500 ms (division 480, 400000 us a quarter)
  // are both heard, 500 ms apart, the first at once when the font is ready,
  // however long the song's timer ran before.
  mirt::FluidSynthMidiOut synth;
  uint64_t frame = 0;  // where the next rendered block starts
  synth.setClock([&] { return frame; });
  synth.loadInBackground([] { return true; });
  mirt::ManualTimer timer;
  mirt::CDxMusic music(synth, timer);
  const std::vector<uint8_t> track = {0x00, 0x99, 76,   127,  0x0A, 0x89, 76,   0,
                                      0x84, 0x4E, 0x99, 76,   127,  0x0A, 0x89, 76,
                                      0,    0x00, 0xFF, 0x2F, 0x00};  // 0x84 0x4E: 590 ticks
  std::vector<uint8_t> smf = {'M', 'T',  'h',  'd', 0,   0,   0,   6, 0, 0, 0,
                              1,   0x01, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 0, uint8_t(track.size())};
  smf.insert(smf.end(), track.begin(), track.end());
  music.loadImage(smf.data(), smf.size());
  ASSERT_EQ(music.play(), 1);  // starts the load without waiting for it
  EXPECT_FALSE(synth.ready());
  timer.advance(300);  // the song's timer runs while the font loads
  EXPECT_FALSE(synth.ready());
  for (int k = 0; k < 10000 && !synth.ready(); ++k)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(synth.ready());
  std::vector<float> block(2 * 441), left;
  for (int ms = 0; ms < 800; ms += 10) {
    timer.advance(10);
    synth.render(block.data(), 441, frame);
    frame += 441;
    for (size_t i = 0; i < 441; ++i) left.push_back(block[2 * i]);
  }
  auto onsetFrom = [&](size_t from) {
    for (size_t i = from; i < left.size(); ++i)
      if (std::fabs(left[i]) > 0.05f) return long(i);
    return -1L;
  };
  long first = onsetFrom(0);
  ASSERT_GE(first, 0) << "the first note was lost";
  EXPECT_LT(first, kRate * 20 / 1000);
  long second = onsetFrom(size_t(first) + kRate * 300 / 1000);
  ASSERT_GE(second, 0) << "the second note was lost";
  EXPECT_NEAR(double(second - first) * 1000 / kRate, 500, 20);
  music.stop();
}

TEST(MidiSynth, MessagesSoundAtTheirOffsetWhateverTheBlockSize) {
  // The same note-on, stamped at frame 1000, rendered in blocks of 64 and of
  // 4096 frames: the onset lies at the same sample.
  auto onset = [](size_t block) {
    mirt::FluidSynthMidiOut synth;
    uint64_t stamp = 0;
    synth.setClock([&] { return stamp; });
    EXPECT_TRUE(synth.open());
    std::vector<float> buf(block * 2), all;
    synth.render(buf.data(), block, 0);  // the open applies
    uint64_t at = block;
    stamp = 1000 + block;
    synth.shortMsg(0x7F3C90);  // note on, velocity 127
    while (all.size() < 8192) {
      synth.render(buf.data(), block, at);
      at += block;
      for (size_t i = 0; i < block; ++i) all.push_back(buf[2 * i]);
    }
    for (size_t i = 0; i < all.size(); ++i)
      if (std::fabs(all[i]) > 1e-6f) return long(i);
    return -1L;
  };
  long small = onset(64), large = onset(4096);
  EXPECT_GE(small, 1000);
  EXPECT_LT(small, 1000 + 64);  // the synth's own attack, not the block
  EXPECT_EQ(small, large);
}

// ---- CD --------------------------------------------------------------------------

TEST(CdAudio, TrackRepeatsOncePlaysAndStopCloses) {
  SoundGame g;
  std::filesystem::create_directory(g.Path("cd"));
  g.WriteBytes("cd/track01.wav", Sine16(500, 0.5));
  g.WriteBytes("cd/Track02.flac", SineFile(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 22050, 700, 0.4));
  g.WriteBytes("cd/track03.wav", Sine16(900, 0.3));
  g.WriteScript("start.txt", "~CDPLAY 1,1\n\"a\"\\n\n~CDPLAY 2,0\n\"b\"\\n\n~CDSTOP\n\"c\"\\n\n");
  ASSERT_EQ(g.RunWithAudio("wait 1500\nclick\nwait 1500\ndump dump.json\nclick\nwait 300\n"), 0);
  std::vector<float> s = g.Audio();
  std::vector<std::string> plays = g.Events("\"cmd\":\"play\"");
  ASSERT_EQ(plays.size(), 2u);
  int first = LineTime(plays[0]);
  EXPECT_NEAR(Frequency(s, first + 20, first + 480), 500, 8);
  // The poll restarts track 1 after it ends (within one 100 ms tick).
  std::vector<std::string> again = g.Events("play cdaudio from 1 to 2 notify");
  ASSERT_GE(again.size(), 2u);
  int restart = LineTime(again[0]);
  EXPECT_GE(restart, first + 500);
  EXPECT_LE(restart, first + 600);
  // The play stopped at the start of track 2: silence until the restart.
  ASSERT_GE(restart, first + 540);  // a gap long enough to tell
  EXPECT_LT(Peak(s, first + 505, restart - 1), 1e-4f);
  EXPECT_NEAR(Frequency(s, restart + 20, restart + 480), 500, 8);
  EXPECT_EQ(g.Events("set cdaudio time format tmsf").size(), again.size());
  // Track 2 (FLAC) once: 0.4 s of 700 Hz, never track 3, then mode -1.
  int second = LineTime(plays[1]);
  EXPECT_NEAR(Frequency(s, second + 20, second + 380), 700, 10);
  EXPECT_LT(Peak(s, second + 420, second + 1400), 1e-4f);
  EXPECT_TRUE(Has(g.Dump(), "\"cdMode\":-1"));
  EXPECT_TRUE(Has(g.Dump(), "\"cdTrack\":2"));
  std::vector<std::string> stops = g.Events("\"cmd\":\"stop\"");
  ASSERT_EQ(stops.size(), 2u);  // CDSTOP, then the exit's CdStop
  EXPECT_NE(g.Events("\"cmd\":\"close\"").size(), 0u);
}

TEST(CdAudio, LastTrackToTheEndNoDiscAndStopWithoutPlay) {
  SoundGame g;
  g.WriteScript("start.txt", "~CDSTOP\n\"a\"\\n\n~CDPLAY 3,1\n\"b\"\\n\n");
  ASSERT_EQ(g.RunWithAudio("dump dump.json\nclick\nwait 400\ndump dump2.json\n"), 0);
  // CDSTOP before any CDPLAY: stop and close to device 0, mode -1.
  std::vector<std::string> cd = g.Events("\"ev\":\"cd\"");
  ASSERT_GE(cd.size(), 2u);
  EXPECT_TRUE(Has(cd[0], "\"cmd\":\"stop\",\"device\":0"));
  EXPECT_TRUE(Has(cd[1], "\"cmd\":\"close\",\"device\":0"));
  EXPECT_TRUE(Has(g.Dump(), "\"cdMode\":-1"));
  // No track files: a disc without tracks, no message, silence.
  EXPECT_TRUE(g.Messages().empty());
  EXPECT_LT(Peak(g.Audio(), 0, 100000), 1e-6f);
  EXPECT_TRUE(Has(g.Read("dump2.json"), "\"cdCurrentTrack\":0"));

  // CDPLAY of the last track plays it to the end of the disc.
  SoundGame h;
  std::filesystem::create_directory(h.Path("cd"));
  h.WriteBytes("cd/track02.wav", Sine16(500, 0.3));
  h.WriteBytes("Track01.wav", Sine16(800, 0.3));
  h.WriteScript("start.txt", "~CDPLAY 2,0\n\"a\"\\n\n");
  ASSERT_EQ(h.RunWithAudio("wait 800\n"), 0);
  std::vector<std::string> plays = h.Events("\"cmd\":\"play\"");
  ASSERT_EQ(plays.size(), 1u);
  EXPECT_NE(h.Events("\"item\":3,\"value\":2").size(), 0u);  // two tracks on the disc
  // Track 2 sounds its 0.3 s, then the disc has ended: nothing follows
  // (Track01, at 800 Hz, least of all).
  std::vector<float> a = h.Audio();
  int at = LineTime(plays[0]);
  EXPECT_NEAR(Frequency(a, at + 20, at + 280), 500, 8);
  EXPECT_LT(Peak(a, at + 305, at + 700), 1e-4f);
}

}  // namespace

namespace {

TEST(SoundShell, VolumesGoBackAtExitAndRealTimeTraceLinesStayWhole) {
  {
    SoundGame g;
    g.WriteScript("start.txt", "\"a\"\\n\n");
    mirt::SetGameFolder(g.Path(""));
    mirt::HeadlessPlatform platform(true);
    mirt::Player player(platform);
    platform.setEventHandler(&player);
    player.FormCreate();
    mirt::Sound& sound = player.sound();
    ASSERT_TRUE(sound.started());
    uint32_t before = sound.volume(mirt::SoundDevice::Midi);
    sound.setVolume(mirt::SoundDevice::Wave, 0);
    sound.setVolume(mirt::SoundDevice::Midi, 0x9858u * 0x10001u);
    sound.setVolume(mirt::SoundDevice::Cd, 0x1234u);
    player.FormDestroy();
    EXPECT_EQ(sound.volume(mirt::SoundDevice::Wave), sound.startupVolume(mirt::SoundDevice::Wave));
    EXPECT_EQ(sound.volume(mirt::SoundDevice::Midi), before);
    EXPECT_EQ(sound.volume(mirt::SoundDevice::Cd), sound.startupVolume(mirt::SoundDevice::Cd));
    EXPECT_EQ(before, 0xFFFFFFFFu);
    mirt::SetGameFolder("");
  }
  // Real time: the MIDI messages are traced from the timer thread while the
  // window thread traces its own events; every line is one whole object.
  SoundGame g;
  g.WriteBytes("song.mid", Song(0, 60));
  g.WriteScript("start.txt",
                "~MIDIPLAY \"song.mid\",1\n\"abcdefghijklmnop\"\\n\n~MIDISTOP\n\"b\"\\n\n");
  g.WriteBytes("input.txt", "wait 400\nclick\nwait 50\n");
  mirt::AutomationOptions o;
  o.gameDir = g.Path("");
  o.inputFile = g.Path("input.txt");
  o.traceFile = g.Path("trace.jsonl");
  o.maxTime = 5000;
  ASSERT_EQ(mirt::RunAutomation(o), 0);
  std::vector<std::string> lines = g.Trace();
  int midi = 0;
  for (const std::string& l : lines) {
    ASSERT_FALSE(l.empty());
    EXPECT_EQ(l.front(), '{');
    EXPECT_EQ(l.back(), '}');
    EXPECT_EQ(std::count(l.begin(), l.end(), '{'), 1) << l;
    midi += l.find("\"ev\":\"midi\"") != std::string::npos;
  }
  EXPECT_GT(midi, 5);
}

}  // namespace

namespace {

TEST(CdAudio, StringsAndCommandsOfTheEmulatedDrive) {
  GameDir g;
  std::filesystem::create_directory(g.Path("cd"));
  g.WriteBytes("cd/track03.wav", Sine16(500, 0.2));
  g.WriteBytes("cd/track1.wav", Sine16(500, 0.2));              // one digit: not a track
  g.WriteBytes("cd/track07.txt.bak", "x");                      // not a track name
  std::filesystem::create_directory(g.Path("cd/track05.wav"));  // a folder, not a track
  std::filesystem::current_path(g.Path(""));
  mirt::SoundMixer mixer;
  std::vector<std::string> trace;
  mirt::CdAudio cd(mixer, [&](const mirt::JsonObject& o) { trace.push_back(o.Done()); });
  std::string reply = "x";
  EXPECT_EQ(cd.sendString("status cdaudio current track", &reply), 0u);
  EXPECT_EQ(reply, "0");
  EXPECT_EQ(cd.sendString("status cdaudio number of tracks", &reply), 0u);
  EXPECT_EQ(reply, "3");  // the highest NN; tracks 1 and 2 are missing
  // Commands need the device opened first, by type "cdaudio".
  mirt::MciStatusParms status;
  status.item = mirt::MCI_STATUS_NUMBER_OF_TRACKS;
  EXPECT_EQ(cd.sendCommand(1, mirt::MCI_STATUS, mirt::MCI_STATUS_ITEM, &status),
            mirt::MCIERR_INVALID_DEVICE_ID);
  mirt::MciOpenParms open;
  open.deviceType = "waveaudio";
  EXPECT_NE(cd.sendCommand(0, mirt::MCI_OPEN, mirt::MCI_OPEN_TYPE, &open), 0u);
  open.deviceType = "cdaudio";
  EXPECT_EQ(cd.sendCommand(0, mirt::MCI_OPEN, mirt::MCI_OPEN_TYPE, &open), 0u);
  EXPECT_EQ(cd.sendCommand(open.deviceId, mirt::MCI_STATUS, mirt::MCI_STATUS_ITEM, &status), 0u);
  EXPECT_EQ(status.returnValue, 3u);
  // Track 1 is missing: playing from 1 to 3 passes it and the missing 2.
  mirt::MciPlayParms play;
  play.from = 1;
  play.to = 3;
  EXPECT_EQ(cd.sendCommand(open.deviceId, mirt::MCI_PLAY, mirt::MCI_FROM | mirt::MCI_TO, &play),
            0u);
  EXPECT_EQ(mixer.cdCurrentTrack(), 0);
  // Out of the disc: an error, nothing changes.
  play.from = 9;
  EXPECT_EQ(cd.sendCommand(open.deviceId, mirt::MCI_PLAY, mirt::MCI_FROM, &play),
            mirt::MCIERR_OUTOFRANGE);
  EXPECT_EQ(cd.sendString("play cdaudio from 3 to 4 notify", nullptr), 0u);
  EXPECT_EQ(cd.sendString("status cdaudio current track", &reply), 0u);
  EXPECT_EQ(reply, "3");
  std::vector<float> out(2 * 1024);
  mixer.renderAudio(out.data(), 1024, 0);
  EXPECT_GT(*std::max_element(out.begin(), out.end()), 0.4f);
  EXPECT_EQ(cd.sendString("stop cdaudio", nullptr), 0u);
  EXPECT_EQ(mixer.cdCurrentTrack(), 0);
  EXPECT_NE(cd.sendString("stop waveaudio", nullptr), 0u);  // not this device
  EXPECT_EQ(cd.sendCommand(open.deviceId, mirt::MCI_CLOSE, mirt::MCI_WAIT, &open), 0u);
  EXPECT_FALSE(cd.isOpen());
  ASSERT_GE(trace.size(), 10u);
  EXPECT_TRUE(Has(trace[0], "\"cmd\":\"status cdaudio current track\""));
  EXPECT_TRUE(Has(trace.back(), "\"cmd\":\"close\""));
}

}  // namespace
