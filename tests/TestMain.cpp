#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // What a run writes outside its game (the reader's save folders, mirt.json)
  // goes to a folder of this process's own, never into the home folder.
  char scratch[] = "/tmp/mirt-tests-XXXXXX";
  const bool own = mkdtemp(scratch) != nullptr;
  if (own) {
    for (const char* var : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
      setenv(var, (std::string(scratch) + "/" + var).c_str(), 1);
  }
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::error_code ignored;
  if (own) std::filesystem::remove_all(scratch, ignored);
  return result;
}
