// Games played from disc images: ISO 9660 images made by genisoimage from
// small game folders (level-1 names, and Joliet names), and CUE sheets in
// both layouts with their BIN files written here, sector by sector, with
// a data track and a CD-audio track. Then the images a reader may bring
// that are broken, and mirt-tool import.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fcntl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "GameFixture.h"
#include "ToolFixture.h"
#include "shell/Automation.h"

namespace {

using mirt_test::GameDir;
using mirt_test::Has;
using mirt_test::Slurp;
namespace fs = std::filesystem;

constexpr size_t kRaw = 2352, kBlock = 2048;

std::string ReadBytes(const std::string& path) { return Slurp(path); }

void WriteBytes(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A game folder in CP932 with CR LF line ends.
void WriteScript(const std::string& path, const std::string& utf8) {
  std::string crlf;
  for (char c : utf8) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  WriteBytes(path, mirt::utf8ToCp932(crlf));
}

// genisoimage over a folder: level-1 names, or Joliet names with joliet.
std::string MakeIso(const std::string& folder, const std::string& iso, bool joliet) {
  const std::string cmd = std::string("genisoimage -quiet -input-charset utf-8 -V MIRTDISC ") +
                          (joliet ? "-J " : "") + "-o '" + iso + "' '" + folder + "' 2>&1";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
  return ReadBytes(iso);
}

// 2048-byte blocks as raw 2352-byte sectors: mode 1, or mode 2 form 1 with
// its subheader. The error-correction bytes stay zero; nothing checks them.
std::string RawSectors(const std::string& blocks, int mode) {
  std::string out;
  for (size_t at = 0; at < blocks.size(); at += kBlock) {
    std::string s(kRaw, '\0');
    for (int i = 1; i <= 10; ++i) s[size_t(i)] = char(0xFF);
    const size_t lba = at / kBlock + 150;
    s[12] = char(lba / 75 / 60), s[13] = char(lba / 75 % 60), s[14] = char(lba % 75);
    s[15] = char(mode);
    const size_t data = mode == 1 ? 16 : 24;
    std::memcpy(&s[data], blocks.data() + at, std::min(kBlock, blocks.size() - at));
    out += s;
  }
  return out;
}

// A 441 Hz tone at a quarter of full scale, as CD audio: sectors of raw
// 16-bit stereo little-endian samples.
std::string Tone(size_t sectors) {
  std::string out(sectors * kRaw, '\0');
  for (size_t f = 0; f < out.size() / 4; ++f) {
    const auto v = int16_t(std::lround(8192 * std::sin(2 * M_PI * 441 * double(f) / 44100)));
    for (int c = 0; c < 2; ++c) {
      out[f * 4 + size_t(c) * 2] = char(v & 0xFF);
      out[f * 4 + size_t(c) * 2 + 1] = char((v >> 8) & 0xFF);
    }
  }
  return out;
}

std::string Msf(size_t sectors) {
  char b[64];
  std::snprintf(b, sizeof b, "%02zu:%02zu:%02zu", sectors / 75 / 60, sectors / 75 % 60,
                sectors % 75);
  return b;
}

// The images of one game: the plain ISO (level-1 names, the game in a
// sub-folder), a CUE sheet with one BIN for the disc (MODE1/2352 data, then
// two seconds of pregap and the tone), and one with a BIN per track
// (MODE2/2352 data; the tone's BIN opening with a two-second INDEX 00
// pregap of silence).
struct Disc {
  GameDir dir;
  std::string iso, oneBin, perTrack;
  std::string isoBytes;
  Disc() {
    const std::string game = dir.Path("src/GAME/");
    WriteScript(game + "init.def", "10\n20\n30\n40\n50\nstart.txt\n\n\n\n");
    // The game keeps its variables in a folder of its own, as some did.
    WriteScript(game + "start.txt",
                "~PSAVE \"save\\vars.dat\"\n~CDPLAY 2,0\n\"DiscOne\"\\p\n~GOTO !Next.txt\n");
    WriteBytes(game + "save/readme.txt", "x");
    WriteScript(game + "next.txt", "\"DiscTwo\"\\n\n");
    // Enough names that the folder spans sectors (NEXT.TXT in a later one),
    // and a file of several sectors.
    for (int i = 0; i < 80; ++i) WriteBytes(game + "f" + std::to_string(i) + ".dat", "x");
    std::string big;
    for (int i = 0; i < 3000; ++i) big += char(i * 7);
    WriteBytes(game + "big.dat", big);
    iso = dir.Path("plain.iso");
    isoBytes = MakeIso(dir.Path("src"), iso, false);
    const size_t gap = 150, tone = 3 * 75;
    oneBin = dir.Path("one/Game (Disc).cue");
    WriteBytes(dir.Path("one/Game (Disc).bin"),
               RawSectors(isoBytes, 1) + std::string(gap * kRaw, '\0') + Tone(tone));
    const size_t dataSectors = isoBytes.size() / kBlock;
    WriteBytes(oneBin, "REM one BIN\r\nFILE \"Game (Disc).bin\" BINARY\r\n"
                       "  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n"
                       "  TRACK 02 AUDIO\r\n    INDEX 00 " +
                           Msf(dataSectors) +
                           "\r\n"
                           "    INDEX 01 " +
                           Msf(dataSectors + gap) + "\r\n");
    perTrack = dir.Path("split/game.cue");
    WriteBytes(dir.Path("split/game (Track 1).bin"), RawSectors(isoBytes, 2));
    WriteBytes(dir.Path("split/game (Track 2).bin"), std::string(gap * kRaw, '\0') + Tone(tone));
    WriteBytes(perTrack, "FILE \"game (Track 1).bin\" BINARY\n  TRACK 01 MODE2/2352\n"
                         "    INDEX 01 00:00:00\nFILE \"game (Track 2).bin\" BINARY\n"
                         "  TRACK 02 AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:02:00\n");
  }
};

// Plays a game from path headless on the virtual clock with the sound
// rendered to out.wav; the trace and dump land in the scratch folder.
int Play(GameDir& scratch, const std::string& path) {
  scratch.WriteBytes("input.txt",
                     "wait 1000\ndump " + scratch.Path("dump.json") + "\nclick\nwait 200\n");
  mirt::AutomationOptions o;
  o.gameDir = path;
  o.inputFile = scratch.Path("input.txt");
  o.traceFile = scratch.Path("trace.jsonl");
  o.audioOut = scratch.Path("out.wav");
  o.virtualTime = true;
  o.maxTime = 60000;
  std::string error;
  const int code = mirt::RunAutomation(o, &error);
  EXPECT_EQ(error, "") << path;
  return code;
}

// The loudness (RMS, full scale 1) of the rendered sound from..to seconds.
double Loudness(const std::string& wav, double from, double to) {
  SF_INFO info{};
  SNDFILE* f = sf_open(wav.c_str(), SFM_READ, &info);
  if (!f) return -1;
  std::vector<float> s(size_t(info.frames) * 2);
  sf_readf_float(f, s.data(), info.frames);
  sf_close(f);
  double sum = 0;
  size_t n = 0;
  for (size_t i = size_t(from * 44100) * 2; i < size_t(to * 44100) * 2 && i < s.size(); ++i, ++n)
    sum += double(s[i]) * s[i];
  return n ? std::sqrt(sum / double(n)) : -1;
}

TEST(DiscImage, IsoAndBothCueLayoutsPlayTheGameAndTheCueImagesItsCdMusic) {
  Disc disc;
  for (const std::string& image : {disc.iso, disc.oneBin, disc.perTrack}) {
    SCOPED_TRACE(image);
    GameDir run;
    ASSERT_EQ(Play(run, image), 0);
    // Found in the sub-folder, by names that differ from the disc's in case
    // and carry no version.
    const std::vector<std::string> texts = run.Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[texts.size() - 2], "DiscOne");
    EXPECT_EQ(texts.back(), "DiscTwo");
    EXPECT_TRUE(
        mirt_test::Holds(mirt_test::At(mirt_test::JsonLine(run.Read("dump.json")), "gameSource"),
                         "{\"kind\":\"image\",\"path\":\"" + image + "\"}"));
    const bool hasMusic = image != disc.iso;
    // The disc's tracks: the data track and the music (none on an ISO).
    EXPECT_TRUE(Has(run.Read("trace.jsonl"),
                    std::string("\"item\":3,\"value\":") + (hasMusic ? "2" : "0")));
    // The tone from the first moment: the pregap is not played.
    const double loud = Loudness(run.Path("out.wav"), 0.1, 0.9);
    if (hasMusic) {
      EXPECT_NEAR(loud, 0.25 / std::sqrt(2.0), 0.03);
    } else {
      EXPECT_LT(loud, 0.001);
    }
  }
}

TEST(DiscImage, SavesFromAnImageGoToTheReadersFolderAndAnotherImageOfTheGameFindsThem) {
  Disc disc;
  GameDir run;
  auto play = [&](const std::string& image, const std::string& actions) {
    run.WriteBytes("input.txt", actions + "dump " + run.Path("dump.json") + "\n");
    mirt::AutomationOptions o;
    o.gameDir = image;
    o.inputFile = run.Path("input.txt");
    o.traceFile = run.Path("trace.jsonl");
    o.virtualTime = true;
    o.maxTime = 60000;
    std::string error;
    EXPECT_EQ(mirt::RunAutomation(o, &error), 0) << error;
    return mirt_test::JsonLine(run.Read("dump.json"));
  };
  // Saved on the second page, after the first save point.
  const QJsonObject saved = play(disc.oneBin, "click\nmenu SaveDat1\n");
  const std::string folder = mirt_test::Str(mirt_test::At(saved, "saveFolder"));
  const std::string games = std::string(getenv("XDG_DATA_HOME")) + "/mirt/games/MIRTDISC-";
  EXPECT_EQ(folder.substr(0, games.size()), games);
  EXPECT_EQ(folder.size(), games.size() + 12);
  EXPECT_TRUE(fs::exists(folder + "/data_1.dat"));
  // The game's own folder is made there, named as on the disc.
  EXPECT_TRUE(fs::exists(folder + "/SAVE/vars.dat"));
  EXPECT_TRUE(Has(run.Read("trace.jsonl"), R"("file":"data_1.dat","ok":true)"));
  // The same game from its other image: the same folder, and the save loads.
  const QJsonObject loaded = play(disc.perTrack, "menu LoadDat1\n");
  EXPECT_EQ(mirt_test::Str(mirt_test::At(loaded, "saveFolder")), folder);
  EXPECT_TRUE(Has(run.Read("trace.jsonl"), R"("ev":"load","file":"data_1.dat","ok":true)"));
}

TEST(DiscImage, JolietNamesReachTheGameInShiftJis) {
  GameDir g;
  WriteScript(g.Path("src/init.def"), "10\n20\n30\n40\n50\n序章.txt\n\n\n\n");
  WriteScript(g.Path("src/序章.txt"), "\"ジョリエット\"\\n\n");
  MakeIso(g.Path("src"), g.Path("joliet.iso"), true);
  GameDir run;
  ASSERT_EQ(Play(run, g.Path("joliet.iso")), 0);
  ASSERT_FALSE(run.Texts().empty());
  EXPECT_EQ(run.Texts().back(), "ジョリエット");
}

// mirt with one argument; its exit code and what it wrote to stderr.
mirt_test::ToolRun RunPlayer(const std::string& game, const std::string& scratch) {
  std::vector<std::string> args = {MIRT_BINARY,  "--headless", "--virtual-time",
                                   "--max-time", "1000",       game};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  const std::string err = scratch + "/.err";
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  mirt_test::ToolRun r;
  pid_t pid;
  if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&fa);
  r.err = Slurp(err);
  return r;
}

uint32_t Le32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
         uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

// Sets a both-endian 32-bit field of a directory record.
void SetBoth32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    b[at + size_t(i)] = char(v >> (8 * i));
    b[at + 7 - size_t(i)] = char(v >> (8 * i));
  }
}

// The offset of the record named name in the directory whose own record
// is at dir (records do not cross sectors; zeros pad each sector's end).
size_t FindRecord(const std::string& iso, size_t dir, const std::string& name) {
  const size_t start = size_t(Le32(iso, dir + 2)) * kBlock, end = start + Le32(iso, dir + 10);
  for (size_t at = start; at < end;) {
    if (uint8_t(iso[at]) == 0) {
      at = (at / kBlock + 1) * kBlock;
      continue;
    }
    if (uint8_t(iso[at + 32]) == name.size() && iso.compare(at + 33, name.size(), name) == 0)
      return at;
    at += uint8_t(iso[at]);
  }
  ADD_FAILURE() << name << " not found";
  return 0;
}

TEST(DiscImage, BrokenImagesEndTheRunWithOneLineNamingTheFileAndWhatIsWrong) {
  Disc disc;
  GameDir g;
  const std::string& iso = disc.isoBytes;
  const uint32_t root = Le32(iso, 16 * kBlock + 156 + 2);
  const size_t gameDir = FindRecord(iso, 16 * kBlock + 156, "GAME");
  const size_t initDef = FindRecord(iso, gameDir, "INIT.DEF;1");
  std::string loop = iso, past = iso, huge = iso, empty = iso;
  SetBoth32(loop, gameDir + 2, root);  // GAME is the top again
  SetBoth32(past, initDef + 2, uint32_t(iso.size() / kBlock) + 5);
  SetBoth32(huge, initDef + 10, 0xFFFFFFF0u);
  std::memcpy(&empty[initDef + 33], "INIT.DEX;1", 10);  // no game on it
  const std::string bin = ReadBytes(disc.dir.Path("one/Game (Disc).bin"));
  const std::string cue = ReadBytes(disc.oneBin);
  struct Case {
    std::string file, bytes, what;
  } cases[] = {
      {"loop.iso", loop, "the directory tree loops"},
      {"past.iso", past, "the directory tree is broken (INIT.DEF lies past the end)"},
      {"huge.iso", huge, "the directory tree is broken (INIT.DEF lies past the end)"},
      {"empty.iso", empty, "no init.def in the image"},
      {"cut.iso", iso.substr(0, iso.size() / 2), "the image is shorter than its file system says"},
      {"garbage.iso", std::string(40 * kBlock, 'x'), "no ISO 9660 file system"},
      {"garbage.cue", "\x01\x02 FILE\r\nTRACK 01\r\n", "not a CUE sheet we can read: line 1"},
      {"nobin.cue", "FILE \"gone.bin\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n",
       "BIN file \"gone.bin\" is missing"},
      // The BIN ends inside the data track, then before the music's start.
      {"short1.cue", "FILE \"Game (Disc).bin\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n",
       "BIN file \"Game (Disc).bin\" is shorter than its file system says"},
      {"short2.cue", cue, "is shorter than the sheet says (track 2 starts past its end)"},
      {"notes.txt", "hello", "not a game folder, an .iso image or a .cue sheet"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.file);
    if (c.file == "short1.cue" || c.file == "short2.cue") {
      const size_t keep = c.file == "short1.cue" ? kRaw * 20 : iso.size() / kBlock * kRaw + kRaw;
      WriteBytes(g.Path("Game (Disc).bin"), bin.substr(0, keep));
    }
    WriteBytes(g.Path(c.file), c.bytes);
    const mirt_test::ToolRun r = RunPlayer(g.Path(c.file), g.Path(""));
    EXPECT_NE(r.code, 0);
    EXPECT_EQ(r.err.rfind("mirt: " + g.Path(c.file) + ": ", 0), 0u) << r.err;
    EXPECT_TRUE(Has(r.err, c.what));
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
  }
}

TEST(DiscImage, ImportCopiesTheGameOutWithItsMusicAsFlac) {
  Disc disc;
  GameDir g;
  const std::string dest = g.Path("imported");
  const mirt_test::ToolRun r = mirt_test::RunTool({"import", disc.perTrack, dest}, g.Path(""));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadBytes(dest + "/INIT.DEF"), ReadBytes(disc.dir.Path("src/GAME/init.def")));
  EXPECT_EQ(ReadBytes(dest + "/NEXT.TXT"), ReadBytes(disc.dir.Path("src/GAME/next.txt")));
  EXPECT_EQ(ReadBytes(dest + "/BIG.DAT"), ReadBytes(disc.dir.Path("src/GAME/big.dat")));
  // The music, sample for sample, without its pregap.
  SF_INFO info{};
  SNDFILE* f = sf_open((dest + "/cd/track02.flac").c_str(), SFM_READ, &info);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  std::string samples(size_t(info.frames) * 4, '\0');
  sf_readf_short(f, reinterpret_cast<short*>(samples.data()), info.frames);
  sf_close(f);
  EXPECT_EQ(samples, Tone(3 * 75));
  EXPECT_FALSE(fs::exists(dest + "/cd/track01.flac"));
  // The copy plays as a folder, its music from the FLAC file.
  GameDir run;
  ASSERT_EQ(Play(run, dest), 0);
  ASSERT_FALSE(run.Texts().empty());
  EXPECT_EQ(run.Texts().back(), "DiscTwo");
  EXPECT_NEAR(Loudness(run.Path("out.wav"), 0.1, 0.9), 0.25 / std::sqrt(2.0), 0.03);
  // A folder with something in it is never written over.
  const mirt_test::ToolRun again = mirt_test::RunTool({"import", disc.iso, dest}, g.Path(""));
  EXPECT_EQ(again.code, 1);
  EXPECT_TRUE(Has(again.err, "is not empty"));
}

}  // namespace
