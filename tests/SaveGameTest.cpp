// Saving and loading through the headless player: the menus' slots, the
// script's saves, files that are short, garbage or outside the folder, and
// the return to the title.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <cstring>

#include "GameFixture.h"
#include "graphics/StripWipe.h"
#include "platform/headless/HeadlessPlatform.h"
#include "save/SlotFile.h"
#include "shell/Player.h"

using namespace mirt_test;

namespace {

std::string Bytes(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

void Put32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = char(uint8_t(v >> (8 * i)));
}

// A slot file made from the table: the record at 256, strings at 2364,
// integers at 13364.
std::string HandMadeSlot(const std::string& scenario, uint32_t position) {
  std::string b(mirt::kSlotFileBytes, '\0');
  std::memcpy(&b[0], "3: saved by hand", 16);
  const size_t r = 256;
  std::memcpy(&b[r + 0], scenario.data(), scenario.size());
  std::memcpy(&b[r + 80], "bg.bmp", 6);
  std::memcpy(&b[r + 1176], "song.mid", 8);
  std::memcpy(&b[r + 1256], "rain.wav", 8);
  Put32(b, r + 1336, 1);
  Put32(b, r + 1340, 2);  // music looping
  Put32(b, r + 1344, 0);  // WAVE looping
  Put32(b, r + 1352, 1);  // CD repeating
  Put32(b, r + 1356, 2);
  Put32(b, r + 1364, 16);
  Put32(b, r + 1368, 0x0000FF00);  // green text
  Put32(b, r + 1372, 40);
  Put32(b, r + 1376, 360);
  b[r + 1388] = char(255);  // opaque box
  Put32(b, r + 1392, 0);
  Put32(b, r + 1396, 340);
  Put32(b, r + 1400, 640);
  Put32(b, r + 1404, 480);
  b[r + 1732] = char(0);
  b[r + 1733] = char(0);
  b[r + 1734] = char(200);  // blue box
  Put32(b, r + 1816, 1);
  Put32(b, r + 1820, 1);
  std::memcpy(&b[r + 1836], "\x82\x6c\x82\x72\x20\x96\xbe\x92\xa9", 9);
  Put32(b, r + 2060, position);
  std::memcpy(&b[2364], "who", 3);
  std::memcpy(&b[2364 + 20], "Kei", 3);
  std::memcpy(&b[13364], "gold", 4);
  Put32(b, 13364 + 20, 77);
  return b;
}

// A 640 x 480 24-bit bitmap of one colour.
void WritePicture(GameDir& g, const std::string& name, QRgb colour) {
  std::string b(54, '\0');
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, 54 + 640 * 480 * 3);
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, 640);
  Put32(b, 22, 480);
  b[26] = 1;
  b[28] = 24;
  const char pixel[3] = {char(qBlue(colour)), char(qGreen(colour)), char(qRed(colour))};
  for (int i = 0; i < 640 * 480; ++i) b.append(pixel, 3);
  g.WriteBytes(name, b);
}

QRgb Pixel(const GameDir& g, const std::string& shot, int x, int y) {
  QImage img(QString::fromStdString(g.Path(shot)));
  EXPECT_FALSE(img.isNull()) << shot;
  return img.isNull() ? 0 : img.pixel(x, y) & 0xFFFFFF;
}

std::vector<std::string> Files(const GameDir& g) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(g.Path("")))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The line offset of the line that starts with text in the script.
uint32_t OffsetOf(const GameDir& g, const std::string& file, const std::string& cp932) {
  return uint32_t(g.Read(file).find(cp932));
}

}  // namespace

TEST(SaveSlots, LoadReturnsToTheSavePointWithTheVariablesAsAtSaving) {
  GameDir g;
  g.Script(kSavePointStory);
  const QJsonObject d = g.RunAndDump("click\nclick\nmenu SaveDat4\nclick\nmenu LoadDat4\n");
  const uint32_t two = OffsetOf(g, "start.txt", "\"two\"");
  EXPECT_EQ(g.Texts(), (std::vector<std::string>{"one", "two", "three", "four", "two"}));
  EXPECT_EQ(Var(d, "n"), 5);  // as at saving, not as at the save point
  EXPECT_EQ(At(d, "savePoint.readPosition"), int(two));
  EXPECT_EQ(At(d, "live.readPosition"), int(two));
  EXPECT_EQ(At(d, "position"), int(OffsetOf(g, "start.txt", "!n:5!")));
  EXPECT_EQ(g.Read("data_4.dat").size(), mirt::kSlotFileBytes);
  const auto saves = g.EventsOf("save");
  ASSERT_EQ(saves.size(), 1u);
  EXPECT_TRUE(Holds(saves[0], R"({"slot":4,"file":"data_4.dat","ok":true})"));
  const auto loads = g.EventsOf("load");
  ASSERT_EQ(loads.size(), 1u);
  EXPECT_TRUE(Holds(loads[0], R"({"file":"data_4.dat","ok":true})"));
  // Both entries of the slot show the new caption at once.
  const std::string caption = Str(At(d, "menu.SaveDat4.caption"));
  EXPECT_EQ(caption.rfind("4: 20", 0), 0u) << caption;
  EXPECT_EQ(Str(At(d, "menu.LoadDat4.caption")), caption);
  EXPECT_EQ(Str(At(d, "menu.LoadDat3.caption")), "3: ---- --/-- --:--:--");
}

TEST(SaveSlots, SavePointCommandAndLabelGoIntoTheSlot) {
  GameDir g;
  g.Script("&chap:\"Chapter one\"\n"
           "~DATALOG &chap&\n"
           "\"a\"\\n\n"
           "~SAVEPOINT\n"
           "\"b\"\\n\n"
           "~DATALOG \"after save point\"\n"
           "\"c\"\\n\n");
  const QJsonObject d = g.RunAndDump("click\nclick\nmenu SaveDat1\nmenu LoadDat1\n");
  // The label is live when saving; blanks are dropped from it.
  const std::string caption = Str(At(d, "menu.SaveDat1.caption"));
  EXPECT_NE(caption.find("　aftersavepoint"), std::string::npos) << caption;
  // The record saved is the one of the save point, with the label then.
  EXPECT_EQ(Str(At(d, "live.saveLabel")), "Chapterone");
  EXPECT_EQ(g.Texts(), (std::vector<std::string>{"a", "b", "c", "b"}));
}

TEST(SaveSlots, DatalogCutsAndReportsAMissingVariable) {
  GameDir g;
  g.Script("~DATALOG \"" + std::string(100, 'L') +
           "\"\n"
           "\"a\"\\n\n"
           "~DATALOG &nothing&\n"
           "\"b\"\\n\n");
  const QJsonObject d1 = g.RunAndDump();
  EXPECT_EQ(Str(At(d1, "live.saveLabel")), std::string(80, 'L'));
  const QJsonObject d2 = g.RunAndDump("click\n");
  EXPECT_EQ(g.Messages(), std::vector<std::string>{"文字列変数が設定されていません。"});
  EXPECT_EQ(Str(At(d2, "live.saveLabel")), std::string(80, 'L'));
}

TEST(SaveSlots, HandMadeSlotRestoresStoryPicturesSoundAndText) {
  GameDir g;
  g.Script("\"start\"\\n\n");
  g.WriteScript("scene2.txt", "\"skipped\"\\n\n\"resumed\"\\n\n");
  WritePicture(g, "bg.bmp", qRgb(200, 0, 0));
  g.WriteBytes("rain.wav", "RIFF");
  const uint32_t at = OffsetOf(g, "scene2.txt", "\"resumed\"");
  // Any letter case of the file on disk is the slot's file.
  g.WriteBytes("DATA_3.DAT", HandMadeSlot("scene2.txt", at));
  const QJsonObject d = g.RunAndDump("menu LoadDat3\nscreenshot " + g.Path("s.png") + "\n");
  EXPECT_EQ(g.Texts(), (std::vector<std::string>{"start", "resumed"}));
  EXPECT_EQ(Str(At(d, "scenario")), "scene2.txt");
  EXPECT_EQ(Str(At(d, "background")), "bg.bmp");
  EXPECT_EQ(At(d, "text.colour"), 0x00FF00);
  EXPECT_EQ(Var(d, "gold"), 77);
  EXPECT_EQ(Var(d, "who"), "Kei");
  EXPECT_EQ(At(d, "savePoint.readPosition"), int(at));
  // The scene above the box, the box below it tinted blue at opacity 255:
  // each channel (k - v) * 255 / 256 + v.
  EXPECT_EQ(Pixel(g, "s.png", 10, 10), qRgb(200, 0, 0) & 0xFFFFFF);
  EXPECT_EQ(Pixel(g, "s.png", 630, 470), qRgb(0, 0, 199) & 0xFFFFFF);
  // The first text after the load is drawn at the text origin in green.
  const auto texts = g.TextEvents();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_TRUE(Holds(texts[1], R"({"x":40,"y":360})"));
  // The sounds that were playing start again.
  bool music = false, wave = false, cd = false;
  for (const QJsonObject& e : g.TraceEvents()) {
    music |= Holds(e, R"({"ev":"music","op":"load","name":"song.mid"})");
    wave |= Holds(e, R"({"ev":"wave","op":"play","name":"rain.wav","loop":true})") ||
            Holds(e, R"({"ev":"wave","op":"play","name":"RAIN.WAV","loop":true})");
    cd |= Holds(e, R"({"ev":"cd","cmd":"play"})");
  }
  EXPECT_TRUE(music);
  EXPECT_TRUE(wave);
  EXPECT_TRUE(cd);
  // The file on disk was read, and no second one made.
  EXPECT_FALSE(fs::exists(g.Path("data_3.dat")));
}

TEST(SaveSlots, SaveReplacesTheFileOfAnyLetterCase) {
  GameDir g;
  g.Script("\"a\"\\n\n");
  g.WriteBytes("DATA_6.DAT", "old");
  g.Run("menu SaveDat6\n");
  EXPECT_FALSE(fs::exists(g.Path("data_6.dat")));
  EXPECT_FALSE(fs::exists(g.Path("Data_6.dat")));
  EXPECT_EQ(g.Read("DATA_6.DAT").size(), mirt::kSlotFileBytes);
}

TEST(SaveSlots, MissingShortAndGarbageFilesNeverBreakTheStory) {
  GameDir g;
  g.Script("!k:9!\n\"a\"\\n\n\"b\"\\n\n");
  // No file: nothing happens, not even the click.
  QJsonObject d = g.RunAndDump("menu LoadDat5\n");
  EXPECT_EQ(g.Texts(), std::vector<std::string>{"a"});
  EXPECT_TRUE(Holds(g.EventsOf("load").at(0), R"({"file":"data_5.dat","ok":false})"));
  EXPECT_EQ(Var(d, "k"), 9);

  // Garbage that names no scenario cannot be restored: a message, and the
  // story goes on as it was.
  std::string garbage(mirt::kSlotFileBytes, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 7919u) >> 3);
  g.WriteBytes("data_5.dat", garbage);
  d = g.RunAndDump("menu LoadDat5\nclick\n");
  EXPECT_EQ(g.Messages(), std::vector<std::string>{"シナリオファイルの読みこみに失敗しました。"});
  EXPECT_EQ(g.Texts(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Var(d, "k"), 9);

  // Garbage with a scenario that exists: it loads, counts kept within the
  // tables and every field cut at its width.
  std::memcpy(&garbage[256], "start.txt", 10);
  Put32(garbage, 256 + 2060, 0);
  g.WriteBytes("data_5.dat", garbage);
  d = g.RunAndDump("menu LoadDat5\n");
  EXPECT_TRUE(Holds(g.EventsOf("load").at(0), R"({"ok":true})"));
  EXPECT_LE(At(d, "intCount").toInt(), 256);
  EXPECT_GE(At(d, "intCount").toInt(), 0);
  EXPECT_LE(Str(At(d, "live.caption")).size(), 296u * 3);

  // Cut short inside the record: what it does not reach has the values of
  // a new story; the variables are empty.
  std::string cut = HandMadeSlot("start.txt", 0).substr(0, 256 + 1200);
  g.WriteBytes("data_5.dat", cut);
  d = g.RunAndDump("menu LoadDat5\n");
  EXPECT_EQ(Str(At(d, "live.fontName")), "ＭＳ 明朝");
  EXPECT_EQ(At(d, "live.waveMode"), -1);
  EXPECT_EQ(At(d, "live.cdMode"), -1);
  EXPECT_EQ(Str(At(d, "live.backgroundName")), "bg.bmp");
  EXPECT_EQ(At(d, "ints").toArray().size(), 1);  // k, set again by the first line
}

TEST(SaveSlots, OnSaveAndOnLoadGreyTheMenusAndKeepThemShut) {
  GameDir g;
  g.Script("~ONSAVE 0\n~ONLOAD 0\n\"a\"\\n\n~ONSAVE 1\n~ONLOAD 7\n\"b\"\\n\n");
  g.WriteBytes("data_2.dat", HandMadeSlot("start.txt", 0));
  QJsonObject d = g.RunAndDump("menu SaveDat1\nmenu LoadDat2\n");
  EXPECT_EQ(At(d, "menu.Save.enabled"), false);
  EXPECT_EQ(At(d, "menu.Load.enabled"), false);
  EXPECT_FALSE(fs::exists(g.Path("data_1.dat")));
  EXPECT_TRUE(g.EventsOf("load").empty());
  d = g.RunAndDump("click\nmenu SaveDat1\n");
  EXPECT_EQ(At(d, "menu.Save.enabled"), true);
  EXPECT_EQ(At(d, "menu.Load.enabled"), true);
  EXPECT_TRUE(fs::exists(g.Path("data_1.dat")));
}

TEST(ScriptSaves, VariableFileKeepsValuesAcrossPlaythroughs) {
  GameDir g;
  g.Script("!seen:1!\n!gold:40!\n&name:\"hero\"\n~PSAVE \"sys tem.dat\"\n\"a\"\\n\n");
  g.Run("");
  const std::string file = g.Read("system.dat");  // blanks dropped from the name
  ASSERT_EQ(file.size(), mirt::kVariableFileBytes);
  EXPECT_EQ(file.substr(0, 5), std::string("name\0", 5));
  EXPECT_EQ(file.substr(20, 5), std::string("hero\0", 5));
  EXPECT_EQ(file.substr(11000, 5), std::string("seen\0", 5));
  EXPECT_EQ(file.substr(11020, 4), std::string("\x01\0\0\0", 4));
  EXPECT_EQ(file.substr(11024 + 20, 4), std::string("\x28\0\0\0", 4));

  g.Script("!seen:0!\n&name:\"x\"\n"
           "~PLOAD \"system.dat\",!seen\n"
           "~PLOAD \"system.dat\",&name\n"
           "~PLOAD \"system.dat\",!gold\n"  // in the file, not in the game
           "~PLOAD \"system.dat\",!nowhere\n"
           "~PLOAD \"system.dat\",&nowhere\n"
           "~PLOAD \"nofile.dat\",!seen\n"
           "\"a\"\\n\n");
  const QJsonObject d = g.RunAndDump();
  EXPECT_EQ(Var(d, "seen"), 1);
  EXPECT_EQ(Var(d, "name"), "hero");
  EXPECT_TRUE(Var(d, "gold").isUndefined());  // never made by PLOAD
  EXPECT_EQ(g.Messages(),
            (std::vector<std::string>{"変数が指定されていません。", "変数が指定されていません。",
                                      "文字列変数が存在しません。"}));
  const auto ploads = g.EventsOf("pload");
  ASSERT_EQ(ploads.size(), 6u);
  EXPECT_TRUE(Holds(ploads[5], R"({"file":"nofile.dat","ok":false})"));
}

TEST(ScriptSaves, ShortVariableFileReadsAsZeroWhereItEnds) {
  GameDir g;
  std::string file(11000 + 22, '\0');
  std::memcpy(&file[11000], "v", 1);
  file[11020] = 5;
  file[11021] = 1;  // two of the value's four bytes
  g.WriteBytes("short.dat", file);
  g.Script("!v:99!\n~PLOAD \"short.dat\",!v\n\"a\"\\n\n");
  EXPECT_EQ(Var(g.RunAndDump(), "v"), 0x105);
}

TEST(ScriptSaves, NamesOutsideTheGameFolderAreRefusedSilently) {
  GameDir g;
  const std::string outsider = "mirt-outside-" + std::to_string(getpid()) + ".dat";
  const std::string outside = fs::path(g.Path("")).parent_path().parent_path() / outsider;
  fs::create_directory(g.Path("sub"));
  g.Script("!x:3!\n"
           "~PSAVE \"../" +
           outsider +
           "\"\n"
           "~PSAVE \"" +
           outside +
           "\"\n"
           "~PSAVE \"sub/../../" +
           outsider +
           "\"\n"
           "~PSAVE \"sub\\..\\..\\" +
           outsider +
           "\"\n"
           "~PSAVE \"sub/in.dat\"\n"
           "\"a\"\\n\n");
  g.Run("");
  EXPECT_FALSE(fs::exists(outside));
  EXPECT_TRUE(fs::exists(g.Path("sub/in.dat")));
  EXPECT_TRUE(g.Messages().empty());
  const auto psaves = g.EventsOf("psave");
  ASSERT_EQ(psaves.size(), 5u);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Holds(psaves[i], R"({"ok":false})")) << i;

  // A variable file outside is not read either.
  mirt::VariableStore v;
  std::strcpy(v.ints[0].name, "x");
  v.ints[0].value = 1234;
  std::ofstream(outside, std::ios::binary) << Bytes(mirt::EncodeVariableFile(v));
  g.Script("!x:3!\n~PLOAD \"../" + outsider + "\",!x\n~PLOAD \"" + outside + "\",!x\n\"a\"\\n\n");
  const QJsonObject d = g.RunAndDump();
  fs::remove(outside);
  EXPECT_EQ(Var(d, "x"), 3);
  EXPECT_TRUE(g.Messages().empty());
}

// A write that fails part-way (the file size limit cuts it) leaves the old
// slot file and the old variable file whole, with nothing left beside them.
TEST(SaveFiles, FailingWriteLeavesTheOldFileWhole) {
  GameDir g;
  g.Script("!x:1!\n~PSAVE \"sys.dat\"\n\"a\"\\n\n");
  const std::string oldSlot = HandMadeSlot("start.txt", 0);
  const std::string oldVars(mirt::kVariableFileBytes, 'v');
  g.WriteBytes("data_2.dat", oldSlot);
  g.WriteBytes("sys.dat", oldVars);
  g.WriteBytes("input.txt", "menu SaveDat2\n");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    rlimit limit{8192, 8192};
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_IGN);  // the write returns short instead
    execl(MIRT_BINARY, MIRT_BINARY, "--headless", "--virtual-time", "--input",
          g.Path("input.txt").c_str(), g.Path("").c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(g.Read("data_2.dat"), oldSlot);
  EXPECT_EQ(g.Read("sys.dat"), oldVars);
  for (const std::string& f : Files(g)) EXPECT_EQ(f.find(".tmp"), std::string::npos) << f;
}

TEST(ReturnToTitle, StopsTheSoundWipesAndStartsAgainFromTheFirstLine) {
  GameDir g;
  g.Script("\"first\"\\n\n"
           "!v:2!\n~LOADBG \"bg.bmp\",0,0\n~MIDIPLAY \"x.mid\",0,1\n~WAVEPLAY \"x.wav\",0,0\n"
           "~FADEOUT 0,0,255,0\n"
           "\"second\"\\n\n");
  WritePicture(g, "bg.bmp", qRgb(10, 200, 10));
  const QJsonObject d =
      g.RunAndDump("click\nanswer yes\nmenu N1\nscreenshot " + g.Path("t.png") + "\n");
  EXPECT_EQ(g.Texts(), (std::vector<std::string>{"first", "second", "first"}));
  EXPECT_TRUE(Var(d, "v").isUndefined());
  EXPECT_EQ(Str(At(d, "background")), "");
  EXPECT_EQ(At(d, "fadeColour"), 0);
  EXPECT_EQ(At(d, "sound.midiMode"), 0);
  EXPECT_EQ(At(d, "sound.waveMode"), -1);
  // After the question: the WAVE, the music and the CD stop, in that order.
  std::vector<std::string> after;
  bool asked = false;
  for (const QJsonObject& e : g.TraceEvents()) {
    asked |= Str(e.value("ev")) == "question";
    if (!asked) continue;
    if (Str(e.value("ev")) == "text") break;  // the story has started again
    if (Holds(e, R"({"ev":"wave","op":"stop"})")) after.push_back("wave");
    if (Holds(e, R"({"ev":"music","op":"stop"})")) after.push_back("music");
    if (Holds(e, R"({"ev":"cd","cmd":"stop"})")) after.push_back("cd");
  }
  EXPECT_EQ(after, (std::vector<std::string>{"wave", "music", "cd"}));
  // The layers were cleared: the picture is black, not the old scene.
  EXPECT_EQ(Pixel(g, "t.png", 600, 400), 0u);
}

namespace {

// Keeps every picture the window is given.
class FramePlatform : public mirt::HeadlessPlatform {
 public:
  FramePlatform() : HeadlessPlatform(true) {}
  void present(const QImage& screen) override {
    frames.push_back(screen.copy());
    HeadlessPlatform::present(screen);
  }
  std::vector<QImage> frames;
};

}  // namespace

TEST(StripWipe, ThirtyTwoStepsOfThinningBandsCoverTheScreen) {
  FramePlatform platform;
  mirt::Player p(platform);
  p.screen().Create();
  const QImage red = mirt::FadeColourPicture(0x0000FF);
  EXPECT_EQ(red.pixel(0, 0) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);
  mirt::StripWipe(p.stage(), red);
  ASSERT_EQ(platform.frames.size(), 32u);
  auto isRed = [](const QImage& f, int y) { return (f.pixel(320, y) & 0xFFFFFF) == 0xFF0000u; };
  // Step one: rows 0-14, 15-28, 30-42, ... each band one row thinner.
  const QImage& first = platform.frames[0];
  EXPECT_TRUE(isRed(first, 0));
  EXPECT_TRUE(isRed(first, 14));
  EXPECT_TRUE(isRed(first, 28));
  EXPECT_FALSE(isRed(first, 29));
  EXPECT_TRUE(isRed(first, 30));
  EXPECT_FALSE(isRed(first, 43));
  EXPECT_TRUE(isRed(first, 210));  // the last band, 15 x 14, one row high
  EXPECT_FALSE(isRed(first, 211));
  EXPECT_FALSE(isRed(first, 479));
  // Step two starts at row 15: row 29 is done, the bottom still waits.
  EXPECT_TRUE(isRed(platform.frames[1], 29));
  const QImage& last = platform.frames.back();
  for (int y = 0; y < 480; ++y) ASSERT_TRUE(isRed(last, y)) << y;
  EXPECT_FALSE(isRed(platform.frames[30], 479));
}

TEST(SaveSlots, ASaveOnTheFirstPageBeforeAnySavePointLoadsTheStorysStart) {
  GameDir g;
  g.Script("!n:1!\n\"one\"\\n\n\"two\"\\n\n");
  // Saved before the story has taken a save point; a record with no story
  // in it could never be loaded back.
  g.RunAndDump("menu SaveDat2\nclick\nmenu LoadDat2\n");
  EXPECT_EQ(g.Texts(), (std::vector<std::string>{"one", "two", "one"}));
  EXPECT_TRUE(Has(g.Read("trace.jsonl"), R"("ev":"load","file":"data_2.dat","ok":true)"));
  EXPECT_TRUE(g.MessageEvents().empty());
}
