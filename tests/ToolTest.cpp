// mirt-tool run as a program: archive round trips, packed pictures, bad
// input for every subcommand, and each lint finding on a game made for it.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <fstream>

#include "ArchiveFixture.h"
#include "GameFixture.h"
#include "PictureFixture.h"
#include "ToolFixture.h"
#include "graphics/JpegDecoder.h"
#include "script/CommandTable.h"

namespace mirt_test {
namespace {

using namespace std::string_literals;

class Tool : public ::testing::Test {
 protected:
  ToolRun Run(const std::vector<std::string>& args) { return RunTool(args, g_.Path("")); }
  std::string P(const std::string& name) const { return g_.Path(name); }
  std::string Read(const std::string& name) const { return Slurp(P(name)); }
  bool Exists(const std::string& name) const { return fs::exists(P(name)); }
  void Write(const std::string& name, const std::string& bytes) { g_.WriteBytes(name, bytes); }

  GameDir g_;
};

std::string Inverted(std::string s) {
  for (char& c : s) c = static_cast<char>(~static_cast<unsigned char>(c));
  return s;
}

QImage Gradient(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x + y) % 256));
  return img;
}

QImage Decoded(const std::string& bytes) {
  QImage img;
  const auto* d = reinterpret_cast<const uint8_t*>(bytes.data());
  if (!mirt::DecodeBmp(d, bytes.size(), img)) mirt::DecodePacked(d, bytes.size(), img);
  return img.convertToFormat(QImage::Format_RGB32);
}

const std::string kWave = "RIFF\x24\0\0\0WAVEfmt "s;
const std::string kMidi = "MThd\0\0\0\x06\0\0\0\x01\0\x60"s;

// ---- archives ------------------------------------------------------------

TEST_F(Tool, EachKindPacksListsUnpacksAndPacksBackToTheSameBytes) {
  Write("start.txt", "\"one\"\\n\r\n~GOTO !Two.TXT\r\n");
  Write("Two.TXT", "\"two\"\\p\r\n");
  Write("bg.bmp", BmpFile(Gradient(9, 5)));
  Write("fg.ccg", PackedFile(Solid(4, 4, 0xFF0000)));
  Write("rain.wav", kWave + "data");
  Write("theme.mid", kMidi + "MTrk");
  struct Case {
    const char* kind;
    std::vector<std::string> files;
  } cases[] = {{"scenario", {"start.txt", "Two.TXT"}},
               {"picture", {"bg.bmp", "fg.ccg"}},
               {"wave", {"rain.wav"}},
               {"midi", {"theme.mid"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    std::vector<std::string> pack = {"pack", "--kind", c.kind, P("a.dat")};
    for (const std::string& f : c.files) pack.push_back(P(f));
    ASSERT_EQ(Run(pack).code, 0);
    const std::string archive = Read("a.dat");
    // The directory, then the data one after another in the order given.
    std::vector<std::pair<std::string, std::string>> members;
    for (const std::string& f : c.files)
      members.push_back({f, std::string(c.kind) == "scenario" ? Inverted(Read(f)) : Read(f)});
    EXPECT_EQ(archive, ArchiveFile(members));

    ToolRun list = Run({"list", P("a.dat")});
    ASSERT_EQ(list.code, 0);
    size_t offset = 4 + 52 * c.files.size();
    std::string expected;
    for (const auto& [name, bytes] : members) {
      expected += name + "\t" + std::to_string(offset) + "\t" + std::to_string(bytes.size()) + "\n";
      offset += bytes.size();
    }
    EXPECT_EQ(list.out, expected);

    fs::remove_all(P("out"));
    ToolRun unpack = Run({"unpack", P("a.dat"), P("out")});
    ASSERT_EQ(unpack.code, 0) << unpack.err;
    std::vector<std::string> again = {"pack", "--kind", c.kind, P("b.dat")};
    for (const std::string& f : c.files) {
      EXPECT_EQ(Read("out/" + f), Read(f)) << f;  // scenario texts as the player reads them
      EXPECT_TRUE(Has(unpack.out, P("out/" + f)));
      again.push_back(P("out/" + f));
    }
    ASSERT_EQ(Run(again).code, 0);
    EXPECT_EQ(Read("b.dat"), archive);
  }
}

TEST_F(Tool, TheDemoArchivesComeBackByteForByte) {
  for (const char* name : {"scenario.dat", "graphic.dat"}) {
    SCOPED_TRACE(name);
    const std::string original = std::string(MIRT_DEMO_DIR) + "/archived/" + name;
    ToolRun unpack = Run({"unpack", original, P("u")});
    ASSERT_EQ(unpack.code, 0) << unpack.err;
    std::vector<std::string> pack = {"pack", "--kind", name[0] == 's' ? "scenario" : "picture",
                                     P("again.dat")};
    std::istringstream paths(unpack.out);
    for (std::string p; std::getline(paths, p);) pack.push_back(p);
    ASSERT_EQ(Run(pack).code, 0);
    EXPECT_TRUE(Read("again.dat") == Slurp(original));
    fs::remove_all(P("u"));
  }
}

TEST_F(Tool, PicturesOtherThanBmpAndJpegArePackedAndBadPicturesRefused) {
  const QImage img = Gradient(12, 7);
  Write("face.png", PngFile(img));
  Write("bg.jpg", [&] {
    auto j = mirt::EncodeJpeg(img, 90);
    return std::string(j.begin(), j.end());
  }());
  Write("plain.ccg", BmpFile(img));  // a bitmap under a packed name
  ASSERT_EQ(
      Run({"pack", "--kind", "picture", P("g.dat"), P("face.png"), P("bg.jpg"), P("plain.ccg")})
          .code,
      0);
  ASSERT_EQ(Run({"unpack", "--kind", "picture", P("g.dat"), P("u")}).code, 0);
  EXPECT_EQ(Read("u/bg.jpg"), Read("bg.jpg"));
  for (const char* packed : {"u/face.png", "u/plain.ccg"}) {
    EXPECT_EQ(Read(packed).substr(0, 4), "ARC1") << packed;
    EXPECT_EQ(Decoded(Read(packed)), img) << packed;
  }
  // The bitmap is packed as it was, not re-encoded.
  std::vector<uint8_t> unpacked;
  const std::string p = Read("u/plain.ccg");
  ASSERT_EQ(mirt::UnpackPacked(reinterpret_cast<const uint8_t*>(p.data()), p.size(), unpacked),
            mirt::PackedStatus::kOk);
  EXPECT_EQ(std::string(unpacked.begin(), unpacked.end()), Read("plain.ccg"));

  Write("broken.bmp", "BM not really");
  Write("notes.png", "hello");
  for (const char* bad : {"broken.bmp", "notes.png"}) {
    ToolRun r = Run({"pack", "--kind", "picture", P("bad.dat"), P("face.png"), P(bad)});
    EXPECT_EQ(r.code, 1) << bad;
    EXPECT_TRUE(Has(r.err, bad));
    EXPECT_FALSE(Exists("bad.dat"));
  }
}

TEST_F(Tool, PackRefusesWhatThePlayerCouldNotFindOrPlay) {
  Write("a.txt", "x");
  Write("A.TXT", "y");
  Write(std::string(38, 'n') + ".txt", "long");
  Write("silence.wav", "not riff");
  Write("song.mid", "MThx");
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* says;
  } cases[] = {
      {{"pack", "--kind", "scenario", P("o.dat"), P("a.txt"), P("A.TXT")}, 1, "same name"},
      {{"pack", "--kind", "scenario", P("o.dat"), P(std::string(38, 'n') + ".txt")}, 1, "41"},
      {{"pack", "--kind", "wave", P("o.dat"), P("silence.wav")}, 1, "not a WAVE"},
      {{"pack", "--kind", "midi", P("o.dat"), P("song.mid")}, 1, "not a standard MIDI"},
      {{"pack", "--kind", "scenario", P("o.dat"), P("missing.txt")}, 1, "cannot read"},
      {{"pack", "--kind", "sound", P("o.dat"), P("a.txt")}, 2, "unknown kind"},
      {{"pack", P("o.dat"), P("a.txt")}, 2, "usage"},
      {{"pack", "--kind", "scenario", P("o.dat")}, 2, "usage"},
  };
  for (const Case& c : cases) {
    ToolRun r = Run(c.args);
    EXPECT_EQ(r.code, c.code) << c.says;
    EXPECT_TRUE(Has(r.err, c.says));
    EXPECT_FALSE(Exists("o.dat")) << c.says;
  }
}

TEST_F(Tool, ListAndUnpackRefuseBrokenArchivesAndWriteNothing) {
  Write("short.dat", "\x01\0"s);
  Write("count.dat", Le32(3) + ArchiveRecord(1, 56, "a.txt"));
  Write("outside.dat", ArchiveFile({{"a.txt", "abc"}}).substr(0, 57));
  Write("escape.dat", ArchiveFile({{"ok.txt", "1"}, {"../evil.txt", "2"}}));
  Write("twice.dat", ArchiveFile({{"x.wav", "1"}, {"x.wav", "2"}}));
  for (const char* bad :
       {"short.dat", "count.dat", "outside.dat", "escape.dat", "twice.dat", "none.dat"}) {
    SCOPED_TRACE(bad);
    ToolRun unpack = Run({"unpack", P(bad), P("u/v")});
    EXPECT_EQ(unpack.code, 1);
    EXPECT_FALSE(unpack.err.empty());
    EXPECT_FALSE(Exists("u")) << "written for a broken archive";
    EXPECT_FALSE(Exists("evil.txt"));
    if (std::string(bad) != "escape.dat" && std::string(bad) != "twice.dat") {
      EXPECT_EQ(Run({"list", P(bad)}).code, 1);
    }
  }
  EXPECT_EQ(Run({"list"}).code, 2);
  EXPECT_EQ(Run({"unpack", P("escape.dat")}).code, 2);
}

// ---- pictures --------------------------------------------------------------

TEST_F(Tool, EncodeDecodeAndConvertKeepThePicture) {
  const QImage img = Gradient(33, 17);
  Write("in.bmp", BmpFile(img));
  Write("in.png", PngFile(img));
  ASSERT_EQ(Run({"encode", P("in.bmp"), P("bmp.ccg")}).code, 0);
  ASSERT_EQ(Run({"decode", P("bmp.ccg"), P("back.bmp")}).code, 0);
  EXPECT_EQ(Read("back.bmp"), Read("in.bmp"));  // the bitmap file itself comes back
  ASSERT_EQ(Run({"encode", P("in.png"), P("png.ccg")}).code, 0);
  ASSERT_EQ(Run({"decode", P("png.ccg"), P("back.png")}).code, 0);
  EXPECT_EQ(QImage(QString::fromStdString(P("back.png"))).convertToFormat(QImage::Format_RGB32),
            img);
  auto jpeg = mirt::EncodeJpeg(img, 95);
  Write("in.jpg", std::string(jpeg.begin(), jpeg.end()));
  for (const char* in : {"in.jpg", "png.ccg", "in.png"}) {
    SCOPED_TRACE(in);
    ASSERT_EQ(Run({"convert", P(in), P("c.bmp")}).code, 0);
    QImage c = Decoded(Read("c.bmp"));
    ASSERT_EQ(c.size(), img.size());
    if (std::string(in) != "in.jpg") {
      EXPECT_EQ(c, img);
    }
    EXPECT_EQ(Read("c.bmp").substr(28, 2), "\x18\0"s);  // 24 bits
  }
}

TEST_F(Tool, BadPicturesGiveAnErrorAndNoOutput) {
  const std::string packed = PackedFile(Gradient(8, 8));
  Write("cut.ccg", packed.substr(0, packed.size() / 2));
  Write("plain.ccg", "ARC1"s + Le32(100) + "\xff\xff"s);
  Write("text.bmp", "just text");
  Write("text.png", "just text");
  Write("keep.bmp", "old");
  struct Case {
    std::vector<std::string> args;
    int code;
  } cases[] = {
      {{"decode", P("cut.ccg"), P("keep.bmp")}, 1},
      {{"decode", P("text.bmp"), P("keep.bmp")}, 1},
      {{"decode", P("plain.ccg"), P("keep.bmp")}, 1},
      {{"encode", P("text.bmp"), P("keep.bmp")}, 1},
      {{"encode", P("text.png"), P("keep.bmp")}, 1},
      {{"convert", P("text.png"), P("keep.bmp")}, 1},
      {{"convert", P("cut.ccg"), P("keep.bmp")}, 1},
      {{"convert", P("absent.bmp"), P("keep.bmp")}, 1},
      {{"decode", P("cut.ccg"), P("out.gif")}, 2},
      {{"encode", P("cut.ccg"), P("keep.bmp")}, 2},
      {{"convert", P("text.png"), P("out.png")}, 2},
      {{"encode", P("text.bmp")}, 2},
  };
  for (const Case& c : cases) {
    ToolRun r = Run(c.args);
    EXPECT_EQ(r.code, c.code) << c.args[0] << " " << c.args[1];
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(Read("keep.bmp"), "old") << "an output written for " << c.args[1];
    EXPECT_FALSE(Exists("out.gif") || Exists("out.png"));
  }
  // Nothing left aside either.
  for (const auto& e : fs::directory_iterator(P("")))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

TEST_F(Tool, HelpForEveryCommandAndUsageErrors) {
  ToolRun all = Run({"--help"});
  EXPECT_EQ(all.code, 0);
  for (const char* c : {"list", "unpack", "pack", "encode", "decode", "convert", "lint"}) {
    EXPECT_TRUE(Has(all.out, std::string("mirt-tool ") + c));
    ToolRun one = Run({c, "--help"});
    EXPECT_EQ(one.code, 0) << c;
    EXPECT_TRUE(Has(one.out, std::string("usage: mirt-tool ") + c));
  }
  EXPECT_EQ(Run({}).code, 2);
  EXPECT_EQ(Run({"explode"}).code, 2);
  EXPECT_EQ(Run({"lint"}).code, 2);
  EXPECT_EQ(Run({"lint", "--yaml", P("")}).code, 2);
  EXPECT_EQ(Run({"lint", P("no-such-folder")}).code, 2);
}

// ---- lint ------------------------------------------------------------------

TEST(CommandShapes, EveryKeywordOfTheTableHasOne) {
  for (int i = 0; i < mirt::kCommandCount; ++i) {
    const char* keyword = mirt::CommandInfo(mirt::Command(i)).keyword;
    EXPECT_NE(mirt::CommandArguments(keyword), nullptr) << keyword;
  }
  EXPECT_EQ(mirt::CommandArguments("NOSUCH"), nullptr);
  EXPECT_STREQ(mirt::CommandArguments("loadbg"), "b-ii");
}

class Lint : public Tool {
 protected:
  // The findings of lint --json, as "file:line:check" texts.
  std::vector<std::string> Findings(int expectedCode = 1) {
    ToolRun r = Run({"lint", "--json", P("")});
    EXPECT_EQ(r.code, expectedCode) << r.out << r.err;
    std::vector<std::string> out;
    for (const QJsonValue& v : QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).array()) {
      QJsonObject o = v.toObject();
      out.push_back(o["file"].toString().toStdString() + ":" + std::to_string(o["line"].toInt()) +
                    ":" + o["check"].toString().toStdString());
    }
    return out;
  }
};

TEST_F(Lint, FindsEveryPlantedFault) {
  g_.InitDef("start.txt");
  g_.WriteScript("start.txt",
                 "~FONTSIZE 20\n"                  // 1 fine
                 "~NOSUCH 1,2\n"                   // 2 unknown command
                 "~GOTO *missing\n"                // 3 no such label
                 "~GOTO *padded\n"                 // 4 label with a trailing blank
                 "*padded \n"                      // 5
                 "~GOTO !nowhere.txt\n"            // 6 no such scenario
                 "~LOADBG \"Room.BMP\"1,0\n"       // 7 fine: room.bmp on disk
                 "~LOADBG \"hall.bmp\"1,0\n"       // 8 missing picture
                 "~LOADCHAR \"ghost.ccg\"0,1,0\n"  // 9 missing sprite
                 "~MIDIPLAY \"theme.mid\",0\n"     // 10 missing song
                 "~WAVEPLAY \"rain.wav\",1\n"      // 11 missing sound
                 "~SETCURSOR \"hand.cur\"\n"       // 12 missing cursor
                 "\"no closing quote\\n\n"         // 13 unclosed quote
                 "~LOADBG \"" +
                     std::string(85, 'b') +
                     ".bmp\"1,0\n"      // 14 name too long
                     "'count'\n"        // 15 used before its assignment
                     "!count:1!\n"      // 16
                     "~WAIT !delay,\n"  // 17 never assigned
                     "~SELECT\n"        // 18 eleven choices
                     "{\n"              // 19
                     "\"1\"@a\n\"2\"@a\n\"3\"@a\n\"4\"@a\n\"5\"@a\n"   // 20-24
                     "\"6\"@a\n\"7\"@a\n\"8\"@a\n\"9\"@a\n\"10\"@a\n"  // 25-29
                     "\"11\"@gone\n"      // 30 choice to a missing label
                     "}\n"                // 31
                     "*a\n"               // 32
                     "~GOTO !Next.TXT\n"  // 33 fine: next.txt, any case
                     "~EXIT\n");
  g_.WriteBytes("room.bmp", BmpFile(Solid(4, 4, 0)));
  g_.WriteBytes("next.txt", "\"UTF-8 \xe3\x81\x82\"\\n\n~FOO\n");  // LF and UTF-8
  const std::vector<std::string> f = Findings();
  const std::vector<std::string> expected = {
      "start.txt:2:unknown-command",
      "start.txt:3:missing-label",
      "start.txt:4:missing-label",
      "start.txt:6:missing-scenario",
      "start.txt:8:missing-file",
      "start.txt:9:missing-file",
      "start.txt:10:missing-file",
      "start.txt:11:missing-file",
      "start.txt:12:missing-file",
      "start.txt:13:unclosed-quote",
      "start.txt:14:name-too-long",
      "start.txt:14:missing-file",
      "start.txt:18:choice-colours",
      "start.txt:30:missing-label",
      "start.txt:18:too-many-choices",
      "next.txt:0:line-ends",
      "next.txt:0:encoding",
      "start.txt:15:unassigned-variable",
      "start.txt:17:unassigned-variable",
  };
  EXPECT_EQ(f, expected);
  // For people: file, line and reason; the padded label says why it is never found.
  ToolRun r = Run({"lint", P("")});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Has(r.out, "start.txt:4: no label line \"*padded\"; line 5 has blanks"));
  EXPECT_TRUE(Has(r.out, "start.txt:2: unknown command \"NOSUCH\""));
  EXPECT_TRUE(Has(r.out, "\"count\" is used before its first assignment"));
  EXPECT_TRUE(Has(r.out, "\"delay\" is used but never assigned"));
}

TEST_F(Lint, ReadsTheArchivesAsThePlayerDoes) {
  // Archive mode: scenarios are the entries; pictures come from the picture
  // archive whatever the letter case; a choice button to a missing scenario.
  g_.WriteScript("init.def", "10\n20\n30\n40\n50\nscen.dat\npics.dat\nsnd.dat\n\n");
  auto crlf = [](const std::string& s) {
    std::string r;
    for (char c : s) r += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return r;
  };
  const std::string start = crlf("~LOADBG \"SKY.ccg\"1,0\n"
                                 "~WAVEPLAY \"Chime.wav\",1\n"
                                 "~SELECTCG\n{\n"
                                 "\"b1.bmp\",\"b2.bmp\",\"b3.bmp\",10,20,1,!two.txt\n"
                                 "\"b1.bmp\",\"b2.bmp\",\"b3.bmp\",10,60,1,!three.txt\n"
                                 "}\n~EXIT\n");
  g_.WriteBytes("scen.dat", ArchiveFile({{"start.txt", Inverted(start)},
                                         {"TWO.TXT", Inverted(crlf("~BADCMD\n"))}}));
  std::vector<std::pair<std::string, std::string>> pics = {{"sky.ccg", PackedFile(Solid(2, 2, 0))}};
  for (const char* b : {"b1.bmp", "b2.bmp", "b3.bmp"}) pics.push_back({b, BmpFile(Solid(2, 2, 0))});
  g_.WriteBytes("pics.dat", ArchiveFile(pics));
  g_.WriteBytes("snd.dat", ArchiveFile({{"CHIME.WAV", kWave}}));
  EXPECT_EQ(Findings(), (std::vector<std::string>{"scen.dat[start.txt]:6:missing-scenario",
                                                  "scen.dat[TWO.TXT]:1:unknown-command"}));
}

TEST_F(Lint, ACleanGameIsCleanAndAMissingInitDefIsAFinding) {
  g_.Script("~FONTSIZE 20\n&name:\"x\"\n!n:2!\n~IF n=2\n%name%'n'\"text\"\\n\n*end\n~MATH n=n+1\n"
            "~GOTO *end\n");
  EXPECT_EQ(Findings(0), std::vector<std::string>{});
  fs::remove(P("init.def"));
  EXPECT_EQ(Findings(), std::vector<std::string>{"init.def:0:missing-file"});
}

TEST_F(Lint, ALineBreakBeforeAnyFontSizeIsSaidOnce) {
  // Lines 2 and 3 break with the font size still 0; only the first is said.
  g_.Script("~TXTPOS 40,350\n\"one\"\\n\n\"two\"\\r\n\"three\"\\p\n~EXIT\n");
  EXPECT_EQ(Findings(), std::vector<std::string>{"start.txt:2:no-font-size"});
  // Page ends alone start each page at the origin: no finding.
  g_.Script("\"one\"\\p\n\"two\"\\p\n~EXIT\n");
  EXPECT_EQ(Findings(0), std::vector<std::string>{});
  // A font size or a line spacing before the first break is enough.
  for (const char* set : {"~FONTSIZE 20\n", "~TXTSPR 24\n"}) {
    g_.Script(std::string(set) + "\"one\"\\n\n\"two\"\\n\n~EXIT\n");
    EXPECT_EQ(Findings(0), std::vector<std::string>{}) << set;
  }
}

TEST_F(Lint, ASelectBeforeBothChoiceColoursIsSaidOnce) {
  const std::string choices = "~SELECT\n{\n\"a\"@end\n}\n*end\n";
  // No colour, then only the choice colour: said at the first SELECT only.
  g_.Script(choices + "~FONTCOLOR 255,255,255,1\n" + choices + "~EXIT\n");
  EXPECT_EQ(Findings(), std::vector<std::string>{"start.txt:1:choice-colours"});
  g_.Script("~FONTCOLOR 255,255,255,1\n~FONTCOLOR 200,200,200,0\n" + choices + "~EXIT\n");
  EXPECT_EQ(Findings(), std::vector<std::string>{"start.txt:3:choice-colours"});
  // Both targets set, in either order, blanks or not: clean.
  g_.Script("~FONTCOLOR 255,255,0,2\n~FONTCOLOR 255, 255, 255, 1\n" + choices + "~EXIT\n");
  EXPECT_EQ(Findings(0), std::vector<std::string>{});
}

TEST_F(Lint, TextPastTheBoxsRightEdgeIsSaidWithItsLine) {
  // Size 20 is a 27-pixel em: from x 40, 21 double-byte characters end
  // at 607, inside the box's right edge at 620; 22 end at 634, past it.
  const std::string setup = "~BOXSIZE 20,330,620,470\n~TXTPOS 40,350\n~FONTSIZE 20\n~TXTSPR 8\n";
  std::string fits, wide;
  for (int i = 0; i < 21; ++i) fits += "あ";
  wide = fits + "あ";
  g_.Script(setup + "\"" + fits + "\"\\n\n\"" + wide + "\"\\n\n~EXIT\n");
  EXPECT_EQ(Findings(), std::vector<std::string>{"start.txt:6:text-too-wide"});
  // Pieces on one line add up, over several script lines until a break;
  // a break starts again at the origin; single bytes are half as wide.
  g_.Script(setup + "\"" + fits + "\"\n\"ab\"\\n\n\"" + fits + "\"\\r\n\"" + fits + "\"\\p\n\"" +
            std::string(44, 'x') + "\"\\n\n~EXIT\n");
  EXPECT_EQ(Findings(),
            (std::vector<std::string>{"start.txt:6:text-too-wide", "start.txt:9:text-too-wide"}));
  // Without a font size or a box there is nothing to measure against.
  g_.Script("~TXTPOS 40,350\n~TXTSPR 30\n\"" + wide + wide + "\"\\n\n~EXIT\n");
  EXPECT_EQ(Findings(0), std::vector<std::string>{});
}

}  // namespace
}  // namespace mirt_test
