// Where a game's writes go: its own folder when it can be written, else a
// folder of the reader's own that every copy of the same game finds; writes
// that fail are told; a folder that is no game is an error.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "GameFixture.h"
#include "platform/SaveFolder.h"

using namespace mirt_test;
using Strings = std::vector<std::string>;

namespace {

constexpr int kCannotDropRoot = 77;

bool WriteProc(const char* file, const std::string& text) {
  const int fd = open(file, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = write(fd, text.data(), text.size()) == ssize_t(text.size());
  close(fd);
  return ok;
}

// Runs the player binary headless over game with the actions, its data
// home in work/data; stderr goes to work/stderr.txt, the trace to
// work/trace.jsonl. Returns the exit code.
//
// With readOnly the game's files are made read-only, and the player must not
// be able to write them even when the tests run as root, whom permission bits
// do not stop. It runs in a user namespace of its own as a user other than
// root, to whom its real user (root too) is mapped: the files' owner is then
// itself without any privilege, so the bits hold. kCannotDropRoot when root
// cannot do that here.
int RunPlayer(const GameDir& work, const std::string& game, const std::string& actions,
              bool readOnly = false) {
  std::ofstream(work.Path("input.txt")) << actions;
  if (readOnly) {
    for (const auto& e : fs::recursive_directory_iterator(game))
      fs::permissions(e.path(), e.is_directory() ? fs::perms(0555) : fs::perms(0444));
    fs::permissions(game, fs::perms(0555));
  }
  const uid_t uid = geteuid();
  const gid_t gid = getegid();
  const pid_t child = fork();
  if (child == 0) {
    if (readOnly) {
      const bool dropped = unshare(CLONE_NEWUSER) == 0 &&
                           WriteProc("/proc/self/setgroups", "deny") &&
                           WriteProc("/proc/self/uid_map", "1000 " + std::to_string(uid) + " 1") &&
                           WriteProc("/proc/self/gid_map", "1000 " + std::to_string(gid) + " 1");
      if (!dropped && uid == 0) _exit(kCannotDropRoot);
    }
    setenv("XDG_DATA_HOME", work.Path("data").c_str(), 1);
    const int err = open(work.Path("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(err, 2);
    execl(MIRT_BINARY, MIRT_BINARY, "--headless", "--virtual-time", "--input",
          work.Path("input.txt").c_str(), "--trace", work.Path("trace.jsonl").c_str(), game.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Every file under dir (relative names) with its bytes.
std::map<std::string, std::string> Tree(const std::string& dir) {
  std::map<std::string, std::string> files;
  if (!fs::exists(dir)) return files;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    files[fs::relative(e.path(), dir).string()] = bytes.str();
  }
  return files;
}

// Gives the owner back the right to write everything under dir, so that it
// can be removed by a user who is not root.
struct WritableAgain {
  std::string dir;
  ~WritableAgain() {
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_write, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
         it.increment(ec))
      fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
  }
};

Strings Names(const std::map<std::string, std::string>& tree) {
  Strings names;
  for (const auto& [name, bytes] : tree) names.push_back(name);
  return names;
}

}  // namespace

// Saves made where the game can be written stay there. Read-only copies of
// it then save into one folder of the reader's own, named by the first
// copy's folder and the game's content: a second copy elsewhere, under
// another name, loads those saves, and the old save in the game still loads.
TEST(SavePlace, AReadOnlyGameSavesInAFolderOfTheReadersOwnThatEveryCopyFinds) {
  GameDir work;
  WritableAgain cleanup{work.Path("")};
  const std::string game = work.Path("writable");
  fs::create_directories(game + "/Sub");
  {
    GameDir source;
    // Each page starts a save point.
    source.Script("!n:1!\n\"one\"\\p\n"
                  "!n:2!\n~PSAVE \"sub\\vars.dat\"\n\"two\"\\p\n"
                  "!n:3!\n\"three\"\\p\n\"four\"\\n\n");
    for (const char* f : {"init.def", "start.txt"}) fs::copy_file(source.Path(f), game + "/" + f);
  }
  ASSERT_EQ(RunPlayer(work, game, "click\nmenu SaveDat3\ndump " + work.Path("w.json") + "\n"), 0);
  EXPECT_EQ(Str(At(work.Dump("w.json"), "saveFolder")), game);
  EXPECT_EQ(Names(Tree(game)), (Strings{"Sub/vars.dat", "data_3.dat", "init.def", "mirt-data_3.png",
                                        "mirt-read.dat", "mirt.ini", "start.txt"}));
  EXPECT_FALSE(fs::exists(work.Path("data")));

  // Two read-only copies of the game with its old save, under other names.
  const std::string first = work.Path("disc/My Game"), second = work.Path("elsewhere/copy");
  for (const std::string& copy : {first, second}) {
    fs::create_directories(fs::path(copy).parent_path());
    fs::copy(game, copy, fs::copy_options::recursive);
  }
  const auto before = Tree(first);
  const int code = RunPlayer(
      work, first, "menu LoadDat3\nclick\nmenu SaveDat1\ndump " + work.Path("r.json") + "\n", true);
  if (code == kCannotDropRoot) GTEST_SKIP() << "root cannot run a player without privileges here";
  ASSERT_EQ(code, 0) << work.Read("stderr.txt");
  const std::string saves = Str(At(work.Dump("r.json"), "saveFolder"));
  const std::string prefix = work.Path("data/mirt/games/My Game-");
  ASSERT_EQ(saves.size(), prefix.size() + 12) << saves;
  EXPECT_EQ(saves.substr(0, prefix.size()), prefix);
  EXPECT_EQ(saves.find_first_not_of("0123456789abcdef", prefix.size()), std::string::npos) << saves;
  EXPECT_TRUE(Holds(work.EventsOf("load").at(0), R"({"file":"data_3.dat","ok":true})"));
  EXPECT_TRUE(Holds(work.EventsOf("save").at(0), R"({"file":"data_1.dat","ok":true})"));
  EXPECT_TRUE(Holds(work.EventsOf("psave").at(0), R"({"ok":true})"));
  EXPECT_TRUE(work.Messages().empty());
  // The save's picture goes with it.
  EXPECT_EQ(Names(Tree(saves)), (Strings{"Sub/vars.dat", "data_1.dat", "mirt-data_1.png",
                                         "mirt-read.dat", "mirt.ini"}));
  EXPECT_EQ(Tree(first), before);

  // The other copy finds the same folder and loads the save made from the first.
  ASSERT_EQ(RunPlayer(work, second, "menu LoadDat1\ndump " + work.Path("o.json") + "\n", true), 0);
  const QJsonObject other = work.Dump("o.json");
  EXPECT_EQ(Str(At(other, "saveFolder")), saves);
  EXPECT_TRUE(Holds(work.EventsOf("load").at(0), R"({"file":"data_1.dat","ok":true})"));
  EXPECT_EQ(Var(other, "n"), 3);
  EXPECT_EQ(work.Texts().back(), "three");
  EXPECT_EQ(
      std::distance(fs::directory_iterator(work.Path("data/mirt/games")), fs::directory_iterator()),
      1);
}

// Slot, variable file, settings and reading marks that cannot be written each tell the
// reader, and the trace still says which write failed.
TEST(SavePlace, AWriteThatFailsIsToldToTheReader) {
  GameDir g;
  g.Script("!x:1!\n~PSAVE \"sys.dat\"\n\"a\"\\n\n");
  g.WriteBytes("blocked", "a file");
  struct SaveFolderScope {
    explicit SaveFolderScope(const std::string& f) { mirt::SetSaveFolder(f); }
    ~SaveFolderScope() { mirt::SetSaveFolder(""); }
  };
  {
    // No folder can be made under a file.
    SaveFolderScope scope(g.Path("blocked/saves"));
    g.Run("menu SaveDat2\n");
  }
  EXPECT_EQ(g.Messages(),
            (Strings{"データを保存できませんでした。", "セーブできませんでした。",
                     "設定を保存できませんでした。", "既読の記録を保存できませんでした。"}));
  EXPECT_TRUE(Holds(g.EventsOf("psave").at(0), R"({"file":"sys.dat","ok":false})"));
  EXPECT_TRUE(Holds(g.EventsOf("save").at(0), R"({"slot":2,"ok":false})"));
  EXPECT_FALSE(fs::exists(g.Path("data_2.dat")));
}

// A folder without init.def is no game: one line says so and the exit code
// is not success.
TEST(SavePlace, AFolderThatIsNoGameIsAnError) {
  GameDir work;
  fs::create_directory(work.Path("empty"));
  EXPECT_EQ(RunPlayer(work, work.Path("empty"), ""), 1);
  EXPECT_EQ(work.Read("stderr.txt"), "mirt: no init.def in " + work.Path("empty") + "\n");
  EXPECT_FALSE(fs::exists(work.Path("trace.jsonl")));
}

// The installed demo is found beside the program. The saves of the copy of
// it that older versions played come along once into its save folder; the
// copy's game files do not.
TEST(SavePlace, TheInstalledDemoFindsItsOldCopysSavesOnce) {
  GameDir root;
  fs::create_directories(root.Path("usr/bin"));
  fs::create_directories(root.Path("usr/share/games/mirt/demo"));
  fs::create_directories(root.Path("old/sub"));
  for (const std::string at : {"usr/share/games/mirt/demo/", "old/"}) {
    root.WriteBytes(at + "init.def", "10\r\n");
    root.WriteBytes(at + "start.txt", "\"x\"\\n\r\n");
  }
  root.WriteBytes("old/data_1.dat", "save");
  root.WriteBytes("old/mirt.ini", "settings");
  root.WriteBytes("old/sub/picture.bmp", "a game file");
  const std::string demo = mirt::InstalledDemoFolder(root.Path("usr/bin"));
  ASSERT_FALSE(demo.empty());
  EXPECT_TRUE(fs::equivalent(demo, root.Path("usr/share/games/mirt/demo")));
  EXPECT_EQ(mirt::InstalledDemoFolder(root.Path("old")), "");

  const std::string saves = root.Path("home/mirt/games/demo-0123");
  mirt::CarryOverWrites(root.Path("old"), demo, saves);
  EXPECT_EQ(Tree(saves),
            (std::map<std::string, std::string>{{"data_1.dat", "save"}, {"mirt.ini", "settings"}}));
  EXPECT_FALSE(fs::exists(saves + ".part"));
  // Only once: what the reader does after stays as it is.
  fs::remove(saves + "/mirt.ini");
  mirt::CarryOverWrites(root.Path("old"), demo, saves);
  EXPECT_EQ(Names(Tree(saves)), Strings{"data_1.dat"});
  EXPECT_EQ(root.Read("old/data_1.dat"), "save");
}

// A disc's label or a folder's name becomes one readable file name, however
// it is spelt.
TEST(SavePlace, LabelsBecomeOneReadableFileName) {
  EXPECT_EQ(mirt::SafeFolderName("My Game"), "My Game");
  EXPECT_EQ(mirt::SafeFolderName("../a/b\\c:\x01"), "_a_b_c__");
  EXPECT_EQ(mirt::SafeFolderName(mirt::utf8ToCp932("ゲーム")), "ゲーム");
  EXPECT_EQ(mirt::SafeFolderName(". ."), "game");
  std::string kana;
  for (int i = 0; i < 30; ++i) kana += "あ";  // three bytes each
  EXPECT_EQ(mirt::SafeFolderName("a" + kana), "a" + kana.substr(0, 63));
  EXPECT_EQ(mirt::SafeFolderName("ab" + kana), "ab" + kana.substr(0, 60));
}
