// The platform without a window: drawing goes to an offscreen image,
// dialogs are answered from queues, and time may be virtual, moving only
// when the player waits, so every run is deterministic.
#pragma once

#include <QImage>
#include <deque>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "common/ScreenSize.h"
#include "platform/AudioOutput.h"
#include "platform/MidiDevice.h"
#include "platform/MonotonicClock.h"
#include "platform/Platform.h"
#include "platform/SaveDialogModel.h"
#include "platform/VolumeDialog.h"

namespace mirt {

// Thrown by the clock when the run's time limit has passed.
struct TimeLimitReached : std::runtime_error {
  TimeLimitReached() : std::runtime_error("time limit reached") {}
};

class HeadlessPlatform : public Platform {
 public:
  explicit HeadlessPlatform(bool virtualTime);
  ~HeadlessPlatform() override;

  // On the virtual clock: writes the audio mix, in player time, to a 16-bit
  // stereo 44100 Hz WAVE file. False when the file cannot be created.
  bool setAudioOut(const std::string& hostPath);

  // ---- what the automation sets --------------------------------------
  void setTimeLimit(uint32_t ms) { limit_ = ms; }
  void setLeftButton(bool down) { leftDown_ = down; }
  // Lets time pass to `to` (in tickCount() terms).
  void advanceTo(uint32_t to);
  uint32_t nextTick() const { return nextTick_; }
  void setNextTick(uint32_t t) { nextTick_ = t; }
  std::deque<bool> answers;
  std::deque<std::optional<std::string>> inputs;  // CP932
  std::deque<std::string> saveFiles;              // host paths, "" cancels
  const QImage& window() const { return window_; }
  bool closeWanted() const { return closeWanted_; }
  int windowX = 0, windowY = 0;
  std::string caption;
  bool menuBarVisible = true;
  bool fullScreen = false;
  // The pointer's shape as last set: null for the arrow; an animated one
  // shows its first step, and its step times are kept.
  QImage cursorImage;
  int cursorHotX = 0, cursorHotY = 0;
  std::vector<uint32_t> cursorStepMs;
  int windowScale = 1;
  std::string accessibleText;  // CP932
  int menuBarOpened = 0;       // times openMenuBar was called
  // The volume dialog while it is open (the harness's volume action), else null.
  VolumeDialog* volumeDialog() { return volume_.get(); }
  void closeVolumeDialog() { volume_.reset(); }
  // The last note shown over the picture (CP932), and for how long.
  std::string note;
  uint32_t noteMs = 0;
  // The save dialog while it is open (the harness's savedialog action).
  const std::optional<SaveDialogModel>& saveDialog() const { return saveDialog_; }
  // Closes the dialog, then acts as the window's dialog does on closing;
  // an action the dialog would not offer closes it without acting.
  void closeSaveDialog(std::optional<SaveDialogAction> action = std::nullopt, int slot = 0);

  // ---- Platform ---------------------------------------------------------
  void setEventHandler(WindowEvents* e) override { events_ = e; }
  uint32_t tickCount() override;
  // On the virtual clock the calendar starts at a fixed moment, so a run's
  // random numbers and save captions are the same every time.
  int64_t wallClockSeconds() override;
  static constexpr int64_t kVirtualEpoch = 946684800;  // 2000-01-01 00:00:00 UTC
  void sleepMs(uint32_t ms) override { advanceTo(tickCount() + ms); }
  void yieldCpu() override;
  bool sleepUnlessLeftDown(uint32_t ms) override;
  bool leftButtonDown() override { return leftDown_; }
  bool pumpOneMessage() override {
    pumpNetwork();
    return !closeWanted_;
  }
  // The volume dialog or the save dialog is open.
  bool modalOpen() override { return volume_ != nullptr || saveDialog_.has_value(); }
  void setCaption(const std::string& c) override { caption = c; }
  void setApplicationTitle(const std::string&) override {}
  void present(const QImage& screen) override { window_ = screen; }
  void presentRect(const QImage& screen, int x, int y, int w, int h) override;
  void setMenu(const std::vector<MenuEntry>&) override {}
  void setMenuBarVisible(bool v) override { menuBarVisible = v; }
  void setTimer2(bool running) override;
  bool timer2Running() const override { return timerOn_; }
  void requestClose() override { closeWanted_ = true; }
  bool windowExists() override { return !closeWanted_; }
  void moveWindow(int left, int top) override { windowX = left, windowY = top; }
  int windowLeft() override { return windowX; }
  int windowTop() override { return windowY; }
  void centreWindow() override {
    windowX = (1920 - kScreenWidth) / 2, windowY = (1080 - kScreenHeight) / 2;
  }
  void setFullScreen(bool on) override { fullScreen = on; }
  void setCursor(const QImage& image, int hotX, int hotY) override {
    cursorImage = image;
    cursorHotX = hotX, cursorHotY = hotY;
    cursorStepMs.clear();
  }
  void setAnimatedCursor(const std::vector<CursorStep>& steps) override {
    Platform::setAnimatedCursor(steps);
    for (const CursorStep& s : steps) cursorStepMs.push_back(s.ms);
  }
  void setWindowScale(int scale) override { windowScale = scale; }
  void messageBox(const std::string&) override {}
  bool question(const std::string&, const std::string&) override;
  std::optional<std::string> inputDialog(const std::string&, const std::string&,
                                         const std::string& initial) override;
  std::optional<std::string> saveFileDialog(const std::string&, const std::string&) override;
  void showVolumeDialog(std::unique_ptr<VolumeDialog> dialog) override {
    volume_ = std::move(dialog);
  }
  void showNote(const std::string& cp932, uint32_t ms) override { note = cp932, noteMs = ms; }
  void showSaveDialog(const SaveDialogModel& model) override { saveDialog_ = model; }
  void openMenuBar() override { ++menuBarOpened; }
  void shellOpen(const std::string&) override {}
  void setAccessibleText(const std::string& cp932) override { accessibleText = cp932; }
  // While sockets are open their events are handled in every wait; on the
  // virtual clock that takes no virtual time.
  void setNetworkActive(bool on) override { network_ = on; }
  // On the virtual clock the multimedia timer fires once per virtual
  // millisecond and the mix is rendered as time passes, all on the caller's
  // thread; in real time a timer thread and a null audio output.
  MultimediaTimer& multimediaTimer() override;
  void openAudio(AudioSource* source) override;
  uint64_t audioClock() override;
  std::unique_ptr<MidiOut> openMidiOut(const MidiOutOptions& options) override;

 private:
  void checkLimit();
  void pumpNetwork();
  bool network_ = false;
  void stepMs();  // one virtual millisecond: timers, then the mix
  static uint64_t FrameAt(uint32_t ms) { return uint64_t(ms) * kAudioRate / 1000; }
  bool virtual_;
  ManualTimer virtualTimer_;
  std::unique_ptr<ThreadTimer> realTimer_;
  std::unique_ptr<NullAudioOutput> nullAudio_;
  AudioSource* audio_ = nullptr;
  uint64_t renderedFrames_ = 0;
  std::vector<float> block_;
  WaveFileWriter audioOut_;
  uint32_t now_ = 0;
  uint64_t yields_ = 0;
  std::optional<uint32_t> limit_;
  int64_t startNs_ = MonotonicNs();
  bool leftDown_ = false;
  bool timerOn_ = false;
  uint32_t nextTick_ = 0;
  bool closeWanted_ = false;
  QImage window_;
  WindowEvents* events_ = nullptr;
  std::unique_ptr<VolumeDialog> volume_;
  std::optional<SaveDialogModel> saveDialog_;
};

}  // namespace mirt
