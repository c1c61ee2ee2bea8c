// The program's command line, read into options or a usage error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QtGlobal>

#include "shell/CommandLine.h"

using mirt::CommandLine;
using mirt::ParseCommandLine;
using Args = std::vector<std::string>;

namespace {

CommandLine Parse(Args args) {
  args.insert(args.begin(), "/usr/games/mirt");
  return ParseCommandLine(args);
}

// A usage error: exit code 2, nothing on stdout, stderr starting "mirt: " + message.
::testing::AssertionResult UsageError(const Args& args, const std::string& message) {
  CommandLine c = Parse(args);
  if (c.exitCode != 2)
    return ::testing::AssertionFailure() << "exit code " << c.exitCode.value_or(-1);
  if (!c.out.empty()) return ::testing::AssertionFailure() << "stdout: " << c.out;
  if (c.err.rfind("mirt: " + message + "\n", 0) != 0)
    return ::testing::AssertionFailure() << "stderr: " << c.err;
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(CommandLine, EveryOptionAndTheGameFolder) {
  const std::string font =
      std::string(MIRT_TEST_DIR) + "/CommandLineTest.cpp";  // any readable file
  CommandLine c = Parse({"--headless", "--virtual-time", "--input", "in.txt", "--trace", "t.jsonl",
                         "--max-time", "600000", "--soundfont", font, "--midi-out", "alsa:128:0",
                         "--audio-out", "out.wav", "games/demo"});
  EXPECT_FALSE(c.exitCode);
  EXPECT_EQ(c.out + c.err, "");
  EXPECT_TRUE(c.headless);
  EXPECT_TRUE(c.options.virtualTime);
  EXPECT_EQ(c.options.inputFile, "in.txt");
  EXPECT_EQ(c.options.traceFile, "t.jsonl");
  EXPECT_EQ(c.options.maxTime, 600000u);
  EXPECT_EQ(c.options.sound.soundFont, font);
  EXPECT_EQ(c.options.sound.midiOut, "alsa:128:0");
  EXPECT_EQ(c.options.audioOut, "out.wav");
  EXPECT_EQ(c.options.gameDir, "games/demo");

  // nothing given: a window over the default folder, nothing set
  c = Parse({});
  EXPECT_FALSE(c.exitCode);
  EXPECT_FALSE(c.headless);
  EXPECT_FALSE(c.options.virtualTime);
  EXPECT_FALSE(c.options.maxTime);
  EXPECT_EQ(c.options.gameDir + c.options.inputFile + c.options.traceFile + c.options.audioOut +
                c.options.sound.soundFont + c.options.sound.midiOut,
            "");

  // a value is the next argument whatever it looks like; "=" works too; the last one counts
  c = Parse({"--trace", "--headless", "--midi-out=alsa", "--trace=b.jsonl", "--input", "a",
             "--headless", "--input", "b"});
  EXPECT_FALSE(c.exitCode);
  EXPECT_EQ(c.options.traceFile, "b.jsonl");
  EXPECT_EQ(c.options.inputFile, "b");
  EXPECT_EQ(c.options.sound.midiOut, "alsa");
  EXPECT_TRUE(c.headless);
}

TEST(CommandLine, ArgumentsAreBytesKeptAsTheyAre) {
  const std::string sjis = "\x83\x51\x81\x5B\x83\x80";  // a Shift-JIS folder name, not UTF-8
  const std::string utf8 = "ゲーム/デモ";
  CommandLine c = Parse({"--headless", "--trace", utf8 + ".jsonl", "--input", sjis, sjis});
  EXPECT_FALSE(c.exitCode);
  EXPECT_EQ(c.options.gameDir, sjis);
  EXPECT_EQ(c.options.inputFile, sjis);
  EXPECT_EQ(c.options.traceFile, utf8 + ".jsonl");
  EXPECT_TRUE(UsageError({"--max-time", "\xE9"}, "--max-time takes milliseconds, not '\xE9'"));
}

TEST(CommandLine, HelpAndVersion) {
  for (const char* a : {"--version", "-v"}) {
    CommandLine c = Parse({a});
    EXPECT_EQ(c.exitCode, 0);
    // Our version first, then the libraries we run with, as they report themselves.
    EXPECT_EQ(c.out.rfind("mirt 2.33\n", 0), 0u) << c.out;
    for (const std::string& lib :
         {"\nQt " + std::string(qVersion()) + "\n", std::string("\nSDL 2."),
          std::string("\nFluidSynth "), std::string("\nlibsndfile-"),
          std::string("\nlibsamplerate-"), std::string("\nALSA "), std::string("\nlibjpeg")})
      EXPECT_NE(c.out.find(lib), std::string::npos) << lib << " not in " << c.out;
    EXPECT_EQ(c.err, "");
  }
  for (const char* a : {"--help", "-h", "--help-all"}) {
    CommandLine c = Parse({"--headless", a});
    EXPECT_EQ(c.exitCode, 0);
    EXPECT_EQ(c.err, "");
    EXPECT_EQ(c.out.rfind("Usage: mirt [options] [GAME_DIR]\n", 0), 0u) << c.out;
    for (const char* o :
         {"--headless", "--virtual-time", "--input <FILE>", "--trace <FILE>", "--max-time <MS>",
          "--soundfont <FILE>", "--midi-out <alsa[:CLIENT:PORT]>", "--audio-out <FILE>",
          "--version", "GAME_DIR"})
      EXPECT_NE(c.out.find(o), std::string::npos) << o;
  }
  // the version before the help, as Qt's own processing has it
  EXPECT_EQ(Parse({"--help", "--version"}).out.rfind("mirt 2.33\n", 0), 0u);
}

TEST(CommandLine, UnknownOptionsMissingValuesAndTwoFolders) {
  EXPECT_TRUE(UsageError({"--no-such-option"}, "Unknown option 'no-such-option'."));
  EXPECT_TRUE(
      UsageError({"-headless"}, "Unknown options: e, a, d, l, e, s, s."));    // one dash: letters
  EXPECT_TRUE(UsageError({"--help", "--bogus"}, "Unknown option 'bogus'."));  // an error wins
  EXPECT_TRUE(UsageError({"--headless=yes"}, "Unexpected value after '--headless'."));
  for (const char* o :
       {"--input", "--trace", "--max-time", "--soundfont", "--midi-out", "--audio-out"})
    EXPECT_TRUE(UsageError({"--headless", o}, "Missing value after '" + std::string(o) + "'."))
        << o;
  EXPECT_TRUE(UsageError({"a", "b"}, "only one GAME_DIR may be given"));
  // these errors are followed by the help text
  EXPECT_NE(Parse({"a", "b"}).err.find("\nUsage: mirt [options] [GAME_DIR]\n"), std::string::npos);
  EXPECT_NE(Parse({"--bogus"}).err.find("\nUsage: mirt"), std::string::npos);
  // after "--" everything is a folder
  CommandLine c = Parse({"--", "--headless"});
  EXPECT_FALSE(c.exitCode);
  EXPECT_FALSE(c.headless);
  EXPECT_EQ(c.options.gameDir, "--headless");
}

TEST(CommandLine, MaxTimeValues) {
  struct Ok {
    const char* text;
    uint32_t ms;
  } ok[] = {{"0", 0},   {"1", 1},  {"600000", 600000},
            {"007", 7}, {"+5", 5}, {"4294967295", 4294967295u}};
  for (const Ok& v : ok) {
    CommandLine c = Parse({"--headless", "--max-time", v.text});
    EXPECT_FALSE(c.exitCode) << v.text << c.err;
    EXPECT_EQ(c.options.maxTime, v.ms) << v.text;
  }
  for (const char* bad : {"", "-1", "abc", "10ms", "1.5", "0x10", "5 "})
    EXPECT_TRUE(UsageError({"--headless", "--max-time", bad},
                           "--max-time takes milliseconds, not '" + std::string(bad) + "'"))
        << bad;
  // every value is checked, not only the last
  EXPECT_TRUE(UsageError({"--headless", "--max-time", "x", "--max-time", "5"},
                         "--max-time takes milliseconds, not 'x'"));
}

TEST(CommandLine, HeadlessAudioOutMidiOutAndSoundFontRules) {
  EXPECT_TRUE(UsageError({"--audio-out", "o.wav"}, "--audio-out needs --headless --virtual-time"));
  EXPECT_TRUE(UsageError({"--headless", "--audio-out", "o.wav"},
                         "--audio-out needs --headless --virtual-time"));
  EXPECT_TRUE(UsageError({"--virtual-time", "--audio-out", "o.wav"},
                         "--audio-out needs --headless --virtual-time"));
  EXPECT_FALSE(Parse({"--headless", "--virtual-time", "--audio-out", "o.wav"}).exitCode);

  const std::string need = "--virtual-time, --input and --max-time need --headless";
  EXPECT_TRUE(UsageError({"--virtual-time"}, need));
  EXPECT_TRUE(UsageError({"--input", "in.txt"}, need));
  EXPECT_TRUE(UsageError({"--max-time", "0"}, need));                          // also zero
  EXPECT_FALSE(Parse({"--trace", "t.jsonl", "--midi-out", "alsa"}).exitCode);  // a window may trace

  for (const char* v : {"alsa", "alsa:", "alsa:20:0", "alsa:FLUID Synth"})
    EXPECT_FALSE(Parse({"--midi-out", v}).exitCode) << v;
  for (const char* v : {"", "ALSA", "fluidsynth", "alsa20:0", " alsa"})
    EXPECT_TRUE(UsageError({"--midi-out", v}, "--midi-out takes alsa or alsa:CLIENT:PORT, not '" +
                                                  std::string(v) + "'"))
        << v;

  EXPECT_TRUE(UsageError({"--soundfont", "/nonexistent/gm.sf2"},
                         "cannot read sound font /nonexistent/gm.sf2"));
}
