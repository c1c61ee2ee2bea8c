// libFuzzer target: arbitrary bytes as a variable file of PSAVE and PLOAD.
// The tables must read back the same after being written again, every
// name and value must stay within its field, and PLOAD of each kind must
// copy from the file without crashing.
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FuzzPlatform.h"
#include "platform/HostFiles.h"
#include "platform/headless/HeadlessPlatform.h"
#include "save/SlotFile.h"
#include "shell/Player.h"

namespace {

std::string& Folder() {
  static std::string folder;
  return folder;
}

void Write(const std::string& name, const std::string& bytes) {
  std::ofstream(Folder() + "/" + name, std::ios::binary) << bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication* app = new QGuiApplication(*argc, *argv);
  (void)app;
  char tmpl[] = "/tmp/mirt-fuzz-vars-XXXXXX";
  Folder() = mkdtemp(tmpl);
  Write("init.def", "10\r\n20\r\n30\r\n40\r\n50\r\nstart.txt\r\n\r\n\r\n\r\n");
  Write("start.txt", "!seen:0!\r\n!a:1!\r\n&name:\"x\"\r\n"
                     "~PLOAD \"v.dat\",!seen\r\n~PLOAD \"v.dat\",&name\r\n~PLOAD \"v.dat\",!a\r\n"
                     "~PLOAD \"v.dat\",!\r\n~PLOAD \"v.dat\",&\r\n"
                     "'seen'%name%\\n\r\n~PSAVE \"w.dat\"\r\n\"end\"\\n\r\n");
  mirt::SetGameFolder(Folder());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto tables = std::make_unique<mirt::VariableStore>();
  mirt::DecodeVariableFile(data, size, *tables);
  for (int i = 0; i < mirt::kStrVarCount; ++i) {
    if (tables->StrName(i).size() >= size_t(mirt::kVarNameField) + 1) abort();
    if (tables->StringValue(i).size() > size_t(mirt::kStrValueField)) abort();
  }
  const std::vector<uint8_t> again = mirt::EncodeVariableFile(*tables);
  auto back = std::make_unique<mirt::VariableStore>();
  mirt::DecodeVariableFile(again.data(), again.size(), *back);
  if (std::memcmp(tables.get(), back.get(), sizeof *tables) != 0) abort();
  const size_t n = size < mirt::kVariableFileBytes ? size : mirt::kVariableFileBytes;
  if (n > 0 && std::memcmp(again.data(), data, n) != 0) abort();  // the tables are the file

  Write("v.dat", std::string(reinterpret_cast<const char*>(data), size));
  mirt_fuzz::FuzzPlatform platform(200);
  platform.setTimeLimit(2000);
  mirt::Player player(platform);
  platform.setEventHandler(&player);
  try {
    player.FormCreate();
    for (int i = 0; i < 3 && !player.closed(); ++i) player.formClick();
  } catch (const mirt::TimeLimitReached&) {
  }
  player.FormDestroy();
  return 0;
}
