// libFuzzer target: arbitrary bytes as a save slot file. The file's parts
// must read back the same after being written again, and a player loading
// it (the story, the pictures, the sound, the text settings) and then
// running and drawing from the loaded state must neither crash nor read
// past a field.
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
#include "save/GameStateJson.h"
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
  char tmpl[] = "/tmp/mirt-fuzz-slot-XXXXXX";
  Folder() = mkdtemp(tmpl);
  // A story for the loaded state to go on with: text, a line and a page
  // end, a variable shown, a choice of saves.
  Write("init.def", "10\r\n20\r\n30\r\n40\r\n50\r\nstart.txt\r\n\r\n\r\n\r\n");
  Write("start.txt",
        "\"\x82\xa0\x82\xa2 text\"\\n\r\n'gold'%who%\\n\r\n~DRAW 0,0\r\n\"more\"\\p\r\n"
        "~SAVEPOINT\r\n~LOADBG \"bg.bmp\",0,0\r\n\"end\"\\n\r\n");
  mirt::SetGameFolder(Folder());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The layout: read, written and read again, the same record.
  mirt::GameState first, second;
  first.ResetForNewStory();
  second.ResetForNewStory();
  auto vars = std::make_unique<mirt::VariableStore>();
  mirt::DecodeSlotFile(data, size, first, *vars);
  const std::vector<uint8_t> again =
      mirt::EncodeSlotFile(mirt::SlotFileCaption(data, size), first, *vars);
  if (again.size() != mirt::kSlotFileBytes) abort();
  auto vars2 = std::make_unique<mirt::VariableStore>();
  mirt::DecodeSlotFile(again.data(), again.size(), second, *vars2);
  if (std::memcmp(&first, &second, sizeof first) != 0) abort();
  if (std::memcmp(vars.get(), vars2.get(), sizeof *vars) != 0) abort();
  if (mirt::SlotFileCaption(data, size).size() > mirt::kSlotCaptionBytes) abort();

  // The player loading it.
  Write("data_0.dat", std::string(reinterpret_cast<const char*>(data), size));
  mirt_fuzz::FuzzPlatform platform(200);
  platform.setTimeLimit(2000);
  mirt::Player player(platform);
  platform.setEventHandler(&player);
  try {
    player.FormCreate();
    if (player.LoadSlot(0)) {
      (void)mirt::GameStateJson(player.state()).Done();
      for (int i = 0; i < 4 && !player.closed(); ++i) {
        player.formClick();
        player.timer2Timer();
      }
      player.SaveSlot(1);
    }
  } catch (const mirt::TimeLimitReached&) {
  }
  player.FormDestroy();
  return 0;
}
