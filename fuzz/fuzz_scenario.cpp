// Runs the interpreter over arbitrary scenario bytes, with clicks and timer
// ticks, on the virtual clock with a time bound.
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FontconfigLeaks.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/Player.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication* app = new QGuiApplication(*argc, *argv);
  (void)app;
  return 0;
}

namespace {

// Ends a run after a fixed number of statements, so that loops of costly
// commands stay quick to fuzz.
class BoundedPlatform : public mirt::HeadlessPlatform {
 public:
  BoundedPlatform() : HeadlessPlatform(true) {}
  void yieldCpu() override {
    if (++statements_ > 1000) throw mirt::TimeLimitReached();
    HeadlessPlatform::yieldCpu();
  }

 private:
  int statements_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BoundedPlatform platform;
  platform.setTimeLimit(1000);
  mirt::Player player(platform);
  platform.setEventHandler(&player);
  try {
    player.FormCreate();
    player.script().scenario().SetText(std::vector<uint8_t>(data, data + size));
    player.script().scenario().SetPosition(0);
    for (int i = 0; i < 40 && !player.closed(); ++i) {
      player.formClick();
      player.timer2Timer();
      if (i % 7 == 3) player.formKeyDown(mirt::kKeyEnter);
      if (i % 11 == 5) player.formMouseDown(mirt::MouseButton::Right, 10, 10);
      platform.sleepMs(100);
    }
  } catch (const mirt::TimeLimitReached&) {
  }
  return 0;
}
