#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/SingleInstance.h"

TEST(SingleInstance, SecondLockIsRefused) {
  char tmpl[] = "/tmp/mirt-lock-XXXXXX";
  std::string dir = mkdtemp(tmpl);
  const char* old = std::getenv("XDG_RUNTIME_DIR");
  std::string saved = old ? old : "";
  setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  EXPECT_TRUE(mirt::AcquireSingleInstanceLock());
  EXPECT_FALSE(mirt::AcquireSingleInstanceLock());  // a second player is refused
  if (old)
    setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
  std::filesystem::remove_all(dir);
}
