// The desktop shell around the story: the whole menu, the return to the
// title, both settings files, and ending the program from outside.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "GameFixture.h"
#include "common/LittleEndian.h"
#include "platform/ShutdownSignals.h"
#include "platform/SingleInstance.h"
#include "shell/Menu.h"
#include "shell/Preferences.h"

using namespace mirt_test;
using Strings = std::vector<std::string>;

namespace {

// "parent/name caption" for every entry, depth first, with its marks.
Strings Outline(const std::vector<mirt::MenuEntry>& list, const std::string& parent = "") {
  Strings out;
  for (const mirt::MenuEntry& e : list) {
    std::string line = parent + e.name + " " + mirt::cp932ToUtf8(e.caption);
    if (e.checked) line += " [x]";
    if (!e.enabled) line += " (disabled)";
    if (!e.visible) line += " (hidden)";
    out.push_back(line);
    for (const std::string& c : Outline(e.children, e.name + "/")) out.push_back(c);
  }
  return out;
}

}  // namespace

TEST(Shell, MenuModelHoldsEveryEntryWithItsCaptionAndMarks) {
  mirt::MenuView view;
  view.speed = 3;
  const Strings got = Outline(mirt::BuildMenuBar(view));
  Strings want = {"File ファイル(&F)", "File/Save セーブ"};
  for (int i = 0; i < 10; ++i)
    want.push_back("Save/SaveDat" + std::to_string(i) + " " + std::to_string(i) +
                   ": ---- --/-- --:--:--");
  want.push_back("File/Load ロード");
  for (int i = 0; i < 10; ++i)
    want.push_back("Load/LoadDat" + std::to_string(i) + " " + std::to_string(i) +
                   ": ---- --/-- --:--:--");
  for (const char* s : {"File/N2 画面の保存",
                        "File/N4 -",
                        "File/Exit1 終了",
                        "Exit1/N1 タイトルに戻る",
                        "Exit1/N5 ゲームを終了する",
                        "SKIP 次の選択肢まで進む(&S)",
                        "Config 設定(&C)",
                        "Config/DisplayMode 解像度の変更(&D)",
                        "DisplayMode/FullMode フルスクリーン表示",
                        "DisplayMode/WindowMode ウィンドウ表示 [x]",
                        "DisplayMode/ScaleSep -",
                        "DisplayMode/Scale1 等倍 (640 x 480) [x]",
                        "DisplayMode/Scale2 2 倍 (1280 x 960)",
                        "DisplayMode/Scale3 3 倍 (1920 x 1440)",
                        "Config/MESSAGE1 メッセージスピードの変更(&M)",
                        "MESSAGE1/vol1 速い",
                        "MESSAGE1/vol2 やや速い",
                        "MESSAGE1/vol3 標準 [x]",
                        "MESSAGE1/vol4 やや遅い",
                        "MESSAGE1/vol5 遅い",
                        "Config/P1 テキストをページ単位で表示する(&P)",
                        "Config/volume 音量設定(&V)",
                        "Config/N3 常に手前で表示 [x] (hidden)",
                        "Help ヘルプ(&H)",
                        "Help/About1 バージョン情報",
                        "Reading 読書(&R)",
                        "Reading/TextHook テキストを外部へ送る(&T)",
                        "Reading/CopyText 行をクリップボードへ(&C)",
                        "Reading/ReadingSep1 -",
                        "Reading/SelfVoicing 読み上げ(&V)",
                        "Reading/SpeechSettings 読み上げの設定(&S)...",
                        "Reading/ReadingSep2 -",
                        "Reading/AutoMode 自動で読み進める(&A)",
                        "Reading/AutoSpeed 自動の速さ(&E)",
                        "AutoSpeed/AutoSpeed1 速い",
                        "AutoSpeed/AutoSpeed2 標準 [x]",
                        "AutoSpeed/AutoSpeed3 遅い",
                        "Reading/SkipRead 既読スキップ(&K)",
                        "Reading/ReadingSep3 -",
                        "Reading/QuickSave クイックセーブ(&Q)\tF5",
                        "Reading/QuickLoad クイックロード(&D)\tF9",
                        "Reading/Rollback 一つ前へ戻る(&B)",
                        "Reading/SaveLoad セーブ/ロード…",
                        "Reading/ReadingSep4 -",
                        "Reading/ClassicControls 従来の操作のみ"})
    want.push_back(s);
  EXPECT_EQ(got, want);

  // The marks follow the state they are built from.
  view.fullScreen = true;
  view.pageMode = true;
  view.speed = 5;
  view.windowScale = 3;
  const auto bar = mirt::BuildMenuBar(view);
  for (const char* on : {"FullMode", "P1", "vol5", "Scale3"})
    EXPECT_TRUE(mirt::FindMenuEntry(bar, on)->checked) << on;
  for (const char* off : {"WindowMode", "vol3", "Scale1"})
    EXPECT_FALSE(mirt::FindMenuEntry(bar, off)->checked) << off;

  // Without a speech engine its entries are greyed out and say why.
  view.reading.speechMissing = "音声合成エンジンがありません";
  const auto mute = mirt::BuildMenuBar(view);
  for (const char* item : {"SelfVoicing", "SpeechSettings"}) {
    const mirt::MenuEntry* e = mirt::FindMenuEntry(mute, item);
    EXPECT_FALSE(e->enabled) << item;
    EXPECT_EQ(mirt::cp932ToUtf8(e->tooltip), "音声合成エンジンがありません") << item;
  }
  EXPECT_TRUE(mirt::FindMenuEntry(mute, "TextHook")->enabled);
}

TEST(Shell, ReturnToTitleKeepsTheChosenSpeedInForce) {
  GameDir g;
  g.Script("\"abcd\"\\n\n\"efgh\"\\n\n");
  const std::string before = g.Path("b.json"), after = g.Path("a.json");
  EXPECT_EQ(g.Run("menu vol4\ndump " + before + "\nanswer yes\nmenu N1\ndump " + after + "\n"), 0);
  // Delay, stored index and check mark agree before and after the return.
  for (const char* name : {"b.json", "a.json"}) {
    const QJsonObject d = g.Dump(name);
    EXPECT_EQ(d["charDelay"], 40) << name;  // init.def's fourth line
    EXPECT_EQ(At(d, "text.speedIndex"), 4) << name;
    EXPECT_EQ(At(d, "menu.vol4.checked"), true) << name;
  }
  EXPECT_EQ(g.Read("mirt.ini")[16], 4);  // and the next start gets it
  // Without a choice the fresh start's 50 ms and stored 0 stay as they were.
  GameDir h;
  h.InitDef("start.txt", "1\n2\n3\n4\n5\n");
  h.WriteScript("start.txt", "\"abcd\"\\n\n");
  const QJsonObject d = h.RunAndDump("answer yes\nmenu N1\n");
  EXPECT_EQ(d["charDelay"], 50);
  EXPECT_EQ(At(d, "text.speedIndex"), 0);
  EXPECT_EQ(At(d, "menu.vol3.checked"), true);
}

TEST(Shell, SettingsFilesRoundTrip) {
  // mirt.ini: five little-endian integers, read back into the menu and the window.
  GameDir g;
  g.Script("\"a\"\\p\n\"b\"\\p\n");  // page mode waits at page ends only
  int32_t fields[5] = {0, 1, 123, -45, 4};
  g.WriteBytes("mirt.ini", std::string(reinterpret_cast<char*>(fields), 20));
  const QJsonObject d = g.RunAndDump();
  EXPECT_EQ(d["pageMode"], true);
  EXPECT_EQ(At(d, "menu.vol4.checked"), true);
  EXPECT_EQ(d["charDelay"], 40);
  const std::string ini = g.Read("mirt.ini");
  ASSERT_EQ(ini.size(), 20u);
  const auto* b = reinterpret_cast<const uint8_t*>(ini.data());
  EXPECT_EQ(mirt::ReadLe32s(b), 0);
  EXPECT_EQ(mirt::ReadLe32s(b + 4), 1);
  EXPECT_EQ(mirt::ReadLe32s(b + 8), 123);   // top
  EXPECT_EQ(mirt::ReadLe32s(b + 12), -45);  // left
  EXPECT_EQ(mirt::ReadLe32s(b + 16), 4);
  // Nothing of ours goes into it, whatever scale the window has.
  GameDir s;
  s.Script("\"a\"\\n\n");
  EXPECT_EQ(s.Run("menu Scale3\n"), 0);
  EXPECT_EQ(s.Read("mirt.ini").size(), 20u);

  // Our own file: written aside, folder made, read back; bad values keep defaults.
  const std::string path = g.Path("config/mirt/mirt.json");
  mirt::Preferences p;
  p.scale = 2;
  p.filter = mirt::ScaleFilter::Nearest;
  p.soundFont = "/usr/share/sounds/sf2/Fluid R3 ü.sf2";
  p.audioDevice = "USB Audio";
  p.classicControls = true;
  p.autoSpeed = 3;
  ASSERT_TRUE(mirt::WritePreferences(path, p));
  mirt::Preferences q;
  ASSERT_TRUE(mirt::ReadPreferences(path, &q));
  EXPECT_EQ(q.scale, 2);
  EXPECT_EQ(q.filter, mirt::ScaleFilter::Nearest);
  EXPECT_EQ(q.soundFont, p.soundFont);
  EXPECT_EQ(q.audioDevice, "USB Audio");
  EXPECT_TRUE(q.classicControls);
  EXPECT_EQ(q.autoSpeed, 3);
  EXPECT_EQ(std::distance(fs::directory_iterator(g.Path("config/mirt")), fs::directory_iterator()),
            1);  // no temporary left beside it
  g.WriteBytes("config/mirt/mirt.json", R"({"scale": 9, "scaleFilter": "blurry", "autoSpeed": 4})");
  ASSERT_TRUE(mirt::ReadPreferences(path, &q));
  EXPECT_EQ(q.scale, 1);
  EXPECT_EQ(q.autoSpeed, 2);
  EXPECT_EQ(q.filter, mirt::ScaleFilter::Smooth);
  g.WriteBytes("config/mirt/mirt.json", "not json");
  EXPECT_FALSE(mirt::ReadPreferences(path, &q));
  EXPECT_FALSE(mirt::ReadPreferences(g.Path("none.json"), &q));
  EXPECT_EQ(q.scale, 1);
}

TEST(Shell, TheRecentGamesAreKeptInOurSettingsFileLatestFirstEachOnce) {
  GameDir g;
  const std::string path = g.Path("config/mirt/mirt.json");
  mirt::Preferences p;
  p.scale = 2;
  for (int i = 0; i < 10; ++i) mirt::AddRecentGame(&p, "/games/g" + std::to_string(i));
  mirt::AddRecentGame(&p, "/games/g5");
  mirt::AddRecentGame(&p, "");  // nothing to keep
  ASSERT_EQ(p.recentGames.size(), mirt::kRecentGamesMax);
  EXPECT_EQ(p.recentGames[0], "/games/g5");
  EXPECT_EQ(p.recentGames[1], "/games/g9");
  EXPECT_EQ(std::count(p.recentGames.begin(), p.recentGames.end(), "/games/g5"), 1);
  EXPECT_EQ(p.recentGames.back(), "/games/g2");  // g0 and g1 fell off
  // A name with a line break or non-ASCII letters survives the file.
  mirt::AddRecentGame(&p, "/games/二つ\nの行");
  ASSERT_TRUE(mirt::WritePreferences(path, p));
  mirt::Preferences q;
  ASSERT_TRUE(mirt::ReadPreferences(path, &q));
  EXPECT_EQ(q.recentGames, p.recentGames);
  EXPECT_EQ(q.scale, 2);
  // What a hand-edited file may hold: repeats, blanks, other kinds, too many.
  g.WriteBytes(
      "config/mirt/mirt.json",
      R"({"recentGames": ["/a", "", 3, "/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h", "/i"]})");
  ASSERT_TRUE(mirt::ReadPreferences(path, &q));
  EXPECT_EQ(q.recentGames,
            (std::vector<std::string>{"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h"}));
  g.WriteBytes("config/mirt/mirt.json", R"({"recentGames": "/not/a/list"})");
  ASSERT_TRUE(mirt::ReadPreferences(path, &q));
  EXPECT_TRUE(q.recentGames.empty());
}

TEST(Shell, TerminationSignalRunsTheNormalShutdown) {
  // The player itself, on the real clock, ended by SIGTERM while the story waits.
  GameDir g;
  g.Script("~MIDIPLAY song\n\"waiting\"\\n\n\"never\"\\n\n");
  g.WriteBytes("input.txt", "menu vol2\nvolume\nslider midi 3\nwait 600000\n");
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    execl(MIRT_BINARY, MIRT_BINARY, "--headless", "--input", g.Path("input.txt").c_str(), "--trace",
          g.Path("trace.jsonl").c_str(), g.Path("").c_str(), nullptr);
    _exit(127);
  }
  // Wait for the story to wait, then end it from outside.
  for (int i = 0; i < 400 && g.Events("\"device\":\"midi\"").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // exit, then the sound stops, then the start-up volumes go back, last.
  Strings order;
  for (const QJsonObject& e : g.TraceEvents()) {
    const std::string ev = Str(e["ev"]);
    if (ev == "exit" || (ev == "wave" && e["op"] == "stop") || ev == "volume")
      order.push_back(ev + (ev == "volume" ? ":" + Str(e["device"]) : ""));
  }
  EXPECT_EQ(order,
            (Strings{"volume:midi", "exit", "wave", "volume:wave", "volume:midi", "volume:cd"}));
  const std::string ini = g.Read("mirt.ini");
  ASSERT_EQ(ini.size(), 20u);
  EXPECT_EQ(ini[16], 2);
}

TEST(Shell, ATerminationSignalEndsASecondStartShowingItsMessage) {
  // A holder of the lock (standing in for a running player), then the real
  // program started a second time: it shows its message, and SIGTERM must
  // end it there rather than be swallowed while the message waits.
  GameDir g;
  g.Script("\"text\"\\n\n");
  char tmpl[] = "/tmp/mirt-lock-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    mirt::InstallShutdownSignals();
    const char ok = mirt::AcquireSingleInstanceLock() ? 1 : 0;
    (void)!write(ready[1], &ok, 1);
    while (!mirt::EndSignalled()) pause();
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, 1);
  const pid_t second = fork();
  ASSERT_GE(second, 0);
  if (second == 0) {
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    execl(MIRT_BINARY, MIRT_BINARY, g.Path("").c_str(), nullptr);
    _exit(127);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  kill(second, SIGTERM);
  int status = -1;
  pid_t done = 0;
  for (int i = 0; i < 200 && done == 0; ++i) {
    done = waitpid(second, &status, WNOHANG);
    if (!done) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  if (!done) {
    kill(second, SIGKILL);
    waitpid(second, &status, 0);
  }
  kill(holder, SIGTERM);
  waitpid(holder, nullptr, 0);
  fs::remove_all(dir);
  ASSERT_NE(done, 0) << "the second start kept running after SIGTERM";
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Shell, SecondStartAsksTheRunningPlayerToShowItself) {
  char tmpl[] = "/tmp/mirt-lock-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  const char* old = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved = old ? old : "";
  setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  EXPECT_FALSE(mirt::AskRunningInstanceToShow());  // nobody to ask
  mirt::InstallShutdownSignals();
  mirt::TakeSignalRequests();
  ASSERT_TRUE(mirt::AcquireSingleInstanceLock());
  EXPECT_TRUE(mirt::AskRunningInstanceToShow());  // this process holds the lock
  int requests = 0;
  for (int i = 0; i < 100 && !requests; ++i) {
    requests = mirt::TakeSignalRequests();
    if (!requests) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(requests, mirt::kSignalShow);
  EXPECT_FALSE(mirt::EndSignalled());  // showing is no reason to end
  if (old)
    setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
  fs::remove_all(dir);
}
