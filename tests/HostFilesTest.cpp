// Game file names on a case-sensitive file system.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "ArchiveFixture.h"
#include "common/Encoding.h"
#include "platform/HostFiles.h"
#include "script/Archive.h"
#include "script/CFile.h"

namespace fs = std::filesystem;

class HostFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/mirt-files-XXXXXX";
    dir_ = mkdtemp(tmpl);
    origin_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(origin_);
    fs::remove_all(dir_);
  }
  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::string dir_;
  fs::path origin_;
};

TEST_F(HostFiles, ResolvesCaseBackslashAndShiftJisNames) {
  fs::create_directory("Data");
  Write("Data/Scene01.TXT", "x");
  Write("背景.bmp", "y");
  EXPECT_EQ(mirt::ResolveExisting("data\\scene01.txt"), "Data/Scene01.TXT");
  EXPECT_EQ(mirt::ResolveExisting("DATA/SCENE01.txt"), "Data/Scene01.TXT");
  EXPECT_EQ(mirt::ResolveExisting(mirt::utf8ToCp932("背景.BMP")), "背景.bmp");
  EXPECT_EQ(mirt::ResolveExisting("data/missing.txt"), "");
  // a backslash that is the second byte of a two-byte character is no separator
  std::string so = mirt::utf8ToCp932("ソ.txt");  // 0x83 0x5C
  ASSERT_EQ(so[1], '\\');
  Write("ソ.txt", "z");
  EXPECT_EQ(mirt::ResolveExisting(so), "ソ.txt");
  // created files take the UTF-8 name unless a match exists
  EXPECT_EQ(mirt::ResolveForCreate("data\\new.dat"), "Data/new.dat");
  EXPECT_EQ(mirt::ResolveForCreate("DATA_0.DAT"), "DATA_0.DAT");
  Write("data_0.dat", "s");
  EXPECT_EQ(mirt::ResolveForCreate("Data_0.dat"), "data_0.dat");
}

// The game folder is where names start; the process's directory stays put.
TEST_F(HostFiles, NamesResolveInTheGameFolderWithoutChangingDirectory) {
  fs::create_directories("game/Pics");
  Write("game/Pics/Room.bmp", "r");
  Write("game/init.def", "i");
  Write("init.def", "outer");
  mirt::SetGameFolder(dir_ + "/game/");
  EXPECT_EQ(mirt::ResolveExisting("pics\\room.BMP"), dir_ + "/game/Pics/Room.bmp");
  EXPECT_EQ(mirt::ResolveForCreate("data_1.dat"), dir_ + "/game/data_1.dat");
  ASSERT_TRUE(mirt::WriteFileAtomically("DATA_1.DAT", "ab", 2));
  EXPECT_TRUE(fs::exists("game/DATA_1.DAT"));
  EXPECT_FALSE(fs::exists("DATA_1.DAT"));
  std::vector<uint8_t> bytes;
  mirt::CFile f;
  ASSERT_TRUE(f.Open("INIT.DEF", mirt::CFile::kExisting));
  f.ReadAll(bytes);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "i");
  f.Close();
  EXPECT_EQ(fs::current_path(), fs::path(dir_));
  // Another folder can be asked without moving the game's.
  EXPECT_EQ(mirt::ResolveExistingIn(dir_, "INIT.def"), dir_ + "/init.def");
  EXPECT_EQ(mirt::ResolveExistingIn(dir_ + "/game/pics", "nothing"), "");
  mirt::SetGameFolder("");
  EXPECT_EQ(mirt::ResolveExisting("init.def"), "init.def");
}

TEST_F(HostFiles, ReadOnlyFilesStillOpenAndWritesAreAtomic) {
  Write("ro.txt", "hello");
  chmod("ro.txt", 0444);
  mirt::CFile f;
  if (geteuid() != 0) {  // root may write anyway
    ASSERT_TRUE(f.Open("RO.TXT", mirt::CFile::kExisting));
    EXPECT_EQ(f.Write("x", 1), 0u);
  }
  ASSERT_TRUE(f.Open("RO.TXT", mirt::CFile::kExisting));
  std::vector<uint8_t> all;
  f.ReadAll(all);
  EXPECT_EQ(std::string(all.begin(), all.end()), "hello");
  EXPECT_TRUE(mirt::FileExists("ro.TXT"));
  EXPECT_FALSE(mirt::FileExists("none.txt"));

  Write("mirt.ini", "old");
  ASSERT_TRUE(mirt::WriteFileAtomically("MIRT.INI", "new!", 4));
  std::ifstream in("mirt.ini");
  std::string s;
  in >> s;
  EXPECT_EQ(s, "new!");
  EXPECT_FALSE(fs::exists("MIRT.INI"));
  for (auto& e : fs::directory_iterator("."))
    EXPECT_EQ(e.path().string().find(".tmp-"), std::string::npos);
}

// Writers killed mid-write, again and again, leave at most one aside file,
// which the next write takes over; the file itself is always whole. The
// asides of an older version's dead writers go at the next write of their
// file.
TEST_F(HostFiles, AsideFilesOfKilledWritersDoNotPileUp) {
  const std::string whole(4 << 20, 's');
  for (int i = 0; i < 12; ++i) {
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      for (;;) mirt::WriteFileAtomically("data_1.dat", whole.data(), whole.size());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5 + 7 * i));
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    if (fs::exists("data_1.dat")) {
      EXPECT_EQ(fs::file_size("data_1.dat"), whole.size());
    }
  }
  std::set<std::string> left;
  for (auto& e : fs::directory_iterator(".")) left.insert(e.path().filename().string());
  EXPECT_TRUE(left.size() <= 2 &&
              left.count("data_1.dat") + left.count("data_1.dat.tmp") == left.size());

  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  Write("data_1.dat.tmp-" + std::to_string(gone), "old");
  Write("data_2.dat.tmp-" + std::to_string(gone), "another file's");
  ASSERT_TRUE(mirt::WriteFileAtomically("DATA_1.DAT", "new", 3));
  left.clear();
  for (auto& e : fs::directory_iterator(".")) left.insert(e.path().filename().string());
  EXPECT_EQ(left, (std::set<std::string>{"data_1.dat", "data_2.dat.tmp-" + std::to_string(gone)}));
}

TEST_F(HostFiles, IdentityTellsVersionsOfAFileApart) {
  EXPECT_EQ(mirt::HostFileIdentity("none.bmp"), mirt::FileIdentity{});
  EXPECT_EQ(mirt::HostFileIdentity(""), mirt::FileIdentity{});
  Write("a.bmp", "12345");
  const timespec times[2] = {{1000, 0}, {1234567890, 123456789}};  // access, modification
  ASSERT_EQ(utimensat(AT_FDCWD, "a.bmp", times, 0), 0);
  struct stat st;
  ASSERT_EQ(stat("a.bmp", &st), 0);
  const mirt::FileIdentity a = mirt::HostFileIdentity("a.bmp");
  EXPECT_TRUE(a.exists);
  EXPECT_EQ(a.size, 5);
  EXPECT_EQ(a.modifiedNs, 1234567890123456789);
  EXPECT_EQ(a.changedNs, int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec);
  EXPECT_EQ(a.inode, uint64_t(st.st_ino));
  EXPECT_EQ(mirt::HostFileIdentity("./a.bmp"), a);

  // the same bytes and times under a new inode: another file
  Write("b.bmp", "12345");
  ASSERT_EQ(utimensat(AT_FDCWD, "b.bmp", times, 0), 0);
  ASSERT_EQ(rename("b.bmp", "a.bmp"), 0);
  const mirt::FileIdentity b = mirt::HostFileIdentity("a.bmp");
  EXPECT_NE(b.inode, a.inode);
  EXPECT_NE(b, a);
  // links are followed; a folder exists too
  ASSERT_EQ(symlink("a.bmp", "link.bmp"), 0);
  EXPECT_EQ(mirt::HostFileIdentity("link.bmp"), b);
  fs::create_directory("sub");
  EXPECT_TRUE(mirt::HostFileIdentity("sub").exists);
  ASSERT_EQ(symlink("gone.bmp", "dangling.bmp"), 0);
  EXPECT_FALSE(mirt::HostFileIdentity("dangling.bmp").exists);
}

TEST_F(HostFiles, ArchiveDirectoryIsBoundedByTheFile) {
  using mirt_test::ArchiveRecord;
  // a count far beyond the directory, an entry past the end, two names in different case
  std::string arc = mirt_test::Le32(1000000) + ArchiveRecord(3, 160, "a.txt") +
                    ArchiveRecord(50, 160, "Past.txt") + ArchiveRecord(1, 162, "A.TXT");
  arc.resize(160, '\0');
  arc += "xyz";
  Write("pack.dat", arc);
  auto dir = mirt::ParseArchiveDirectory(reinterpret_cast<const uint8_t*>(arc.data()), arc.size());
  EXPECT_EQ(dir.size(), 3u);
  auto a = mirt::ReadArchiveMember("PACK.DAT", "A.txt");
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(std::string(a->begin(), a->end()), "xyz");  // the first of the two wins
  EXPECT_FALSE(mirt::ReadArchiveMember("pack.dat", "past.txt").has_value());
  EXPECT_FALSE(mirt::ReadArchiveMember("pack.dat", "a").has_value());
  EXPECT_FALSE(mirt::ReadArchiveMember("nothere.dat", "a.txt").has_value());
}

// A file larger than the memory the program may take fails its read; the
// program goes on (the read used to end it with an uncaught bad_alloc).
TEST_F(HostFiles, FileTooLargeForMemoryFailsItsRead) {
  { std::ofstream("huge.wav", std::ios::binary) << "RIFF"; }
  fs::resize_file("huge.wav", uint64_t{3} << 30);  // sparse: takes no disk
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
  // Room for what is mapped now and a little more, far below 3 GiB.
  long pages = 0;
  {
    std::ifstream statm("/proc/self/statm");
    statm >> pages;
  }
  rlimit tight = old;
  tight.rlim_cur = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (rlim_t{512} << 20);
  ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
  mirt::CFile f;
  std::vector<uint8_t> bytes{1, 2, 3};
  bool opened = f.Open("huge.wav", mirt::CFile::kExisting);
  int read = opened ? f.ReadAll(bytes) : -1;
  setrlimit(RLIMIT_AS, &old);
  ASSERT_TRUE(opened);
  EXPECT_EQ(read, 0);
  EXPECT_TRUE(bytes.empty());
}
