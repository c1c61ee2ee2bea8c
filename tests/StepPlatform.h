// A headless platform on the virtual clock that lets a test look at the
// window at every step wait, and press the left button after a number of
// waits.
#pragma once

#include <QImage>
#include <functional>
#include <vector>

#include "platform/headless/HeadlessPlatform.h"
#include "shell/Player.h"

namespace mirt_test {

class StepPlatform : public mirt::HeadlessPlatform {
 public:
  StepPlatform() : HeadlessPlatform(true) {}

  // Called at each wait with the window as shown and the wait's index.
  std::function<void(const QImage&, int)> onWait;
  // Called after every present with the window and the present's index.
  std::function<void(const QImage&, int)> onPresent;
  // The button goes down during this wait (counted from 0); -1 never.
  int pressAtWait = -1;
  std::vector<uint32_t> waits;  // the length of every wait
  int presents = 0;

  bool sleepUnlessLeftDown(uint32_t ms) override {
    const int index = int(waits.size());
    waits.push_back(ms);
    if (onWait) onWait(window(), index);
    if (index == pressAtWait) setLeftButton(true);
    return HeadlessPlatform::sleepUnlessLeftDown(ms);
  }
  void present(const QImage& screen) override {
    HeadlessPlatform::present(screen);
    if (onPresent) onPresent(window(), presents);
    ++presents;
  }
};

// A player over the step platform with its layers made, showing `window`.
struct StepPlayer {
  StepPlatform platform;
  mirt::Player player{platform};
  explicit StepPlayer(const QImage& window) {
    player.screen().layers().Create();
    player.screen().window() = window;
    player.screen().Present();
    platform.presents = 0;
  }
  const QImage& window() const { return platform.window(); }
  // Runs a command handler on the argument text; returns its result.
  int Command(const char* keyword, const char* args) {
    player.tok().SetSource(args);
    return player.RunCommand(keyword);
  }
};

// Two pictures that differ in every pixel: blue is 0x10 in the first and
// 0xA0 in the second; red and green follow the position.
inline QImage OldPicture() {
  QImage img(640, 480, QImage::Format_RGB32);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) img.setPixel(x, y, qRgb(x & 255, y & 255, 0x10));
  return img;
}
inline QImage NewPicture() {
  QImage img(640, 480, QImage::Format_RGB32);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) img.setPixel(x, y, qRgb(255 - (x & 255), (y * 3) & 255, 0xA0));
  return img;
}

}  // namespace mirt_test
