// The system interface: everything the engine needs from the machine.
//
// The engine (shell/, script/, vars/, text/, save/, graphics/, sound/) never
// talks to the window system, the clock or the devices directly; it goes
// through one Platform object. Two implementations exist: the Qt window
// (platform/qt) and the headless one (platform/headless) used by tests and
// automation, which may run on a virtual clock.
//
// All text crossing this interface is CP932 (Shift-JIS) bytes, as the
// scripts hold it; the implementations convert to Unicode where they show it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QImage;

namespace mirt {

class MidiOut;
// The three outputs whose volumes the reader sets.
enum class SoundDevice { Wave = 0, Midi = 1, Cd = 2 };

class VolumeDialog;
class MultimediaTimer;
class Speech;
struct SaveDialogModel;
struct MidiOutOptions;
struct SpeechSettings;

// Output sample rate of the one audio stream (stereo, float).
constexpr int kAudioRate = 44100;

// What the audio output pulls its samples from: interleaved stereo floats,
// `frames` of them, the first being output frame `start`. Called on the
// output's own thread (or, on a virtual clock, on the caller's).
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  virtual void renderAudio(float* stereo, size_t frames, uint64_t start) = 0;
};

// Virtual key codes the engine understands (the Windows values).
enum Key : int {
  kKeyEnter = 13,
  kKeyControl = 17,
  kKeyEscape = 27,
  kKeySpace = 32,
  kKeyPageUp = 33,
  kKeyPageDown = 34,
  kKeyUp = 38,
  kKeyDown = 40,
  kKeyF5 = 116,
  kKeyF9 = 120,
};

enum class MouseButton { Left, Right, Middle };

// A game controller's buttons, by their place on the pad (SDL's names).
enum class PadButton {
  A,
  B,
  X,
  Y,
  Back,
  Start,
  LeftShoulder,
  RightShoulder,
  DpadUp,
  DpadDown,
  DpadLeft,
  DpadRight,
};

// The handlers the platform calls; implemented by the player. The platform
// never calls one of these while another is running, except from
// pumpOneMessage(), which hands on exactly one queued event.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void formClick() = 0;  // left button released
  virtual void formMouseDown(MouseButton b, int x, int y) = 0;
  virtual void formMouseMove(int x, int y) = 0;
  virtual void formKeyDown(int virtualKey) = 0;
  // The reader's own inputs: a key let go (Control), the wheel turned by
  // steps notches (positive towards the reader, down the page), a
  // controller's button pressed or released.
  virtual void formKeyUp(int virtualKey) { (void)virtualKey; }
  virtual void formWheel(int steps) { (void)steps; }
  virtual void padButton(PadButton button, bool down) { (void)button, (void)down; }
  virtual void timer2Timer() = 0;  // every 100 ms while running
  virtual void menuActivated(const std::string& item) = 0;
  virtual void closeRequested() = 0;  // window close box
};

// The menu bar as a model: the engine owns it, the platform shows it.
struct MenuEntry {
  std::string name;     // item name, e.g. "SaveDat0"
  std::string caption;  // CP932; "-" is a separator
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  bool checkable = false;  // a check item, shown as one also while unchecked
  std::string tooltip;     // CP932; why a disabled item is off
  std::vector<MenuEntry> children;
};

class Platform {
 public:
  virtual ~Platform() = default;

  virtual void setEventHandler(WindowEvents* events) = 0;

  // ---- clock -------------------------------------------------------------
  virtual uint32_t tickCount() = 0;  // milliseconds, wraps
  // The calendar clock in seconds since 1970: the random numbers' seed and
  // the date a save is captioned with.
  virtual int64_t wallClockSeconds() { return static_cast<int64_t>(std::time(nullptr)); }
  virtual void sleepMs(uint32_t ms) = 0;  // plain sleep
  virtual void yieldCpu() = 0;            // zero-length sleep
  // Sleeps up to ms while watching the left button; returns false as soon as
  // the button is down (checked at least every millisecond).
  virtual bool sleepUnlessLeftDown(uint32_t ms) = 0;

  // ---- input -------------------------------------------------------------
  virtual bool leftButtonDown() = 0;  // the state at this moment
  // Hands one pending event on to the handlers. False when the application
  // is quitting; the quit is not consumed.
  virtual bool pumpOneMessage() = 0;

  // ---- window ------------------------------------------------------------
  virtual void setCaption(const std::string& caption) = 0;
  virtual void setApplicationTitle(const std::string& title) = 0;
  virtual void present(const QImage& screen) = 0;  // repaint the 640x480 picture
  // Repaints only the rectangle (x, y, w, h) of the picture; the rest of it
  // must equal what was presented last.
  virtual void presentRect(const QImage& screen, int x, int y, int w, int h) {
    (void)x, (void)y, (void)w, (void)h;
    present(screen);
  }
  virtual void setMenu(const std::vector<MenuEntry>& bar) = 0;
  virtual void setMenuBarVisible(bool visible) = 0;
  virtual void setTimer2(bool running) = 0;
  virtual bool timer2Running() const = 0;
  virtual void requestClose() = 0;  // close the main window soon
  virtual bool windowExists() = 0;
  virtual void moveWindow(int left, int top) = 0;
  virtual int windowLeft() = 0;
  virtual int windowTop() = 0;
  virtual void centreWindow() = 0;
  virtual void setFullScreen(bool on) = 0;
  // The pointer's shape over the window: the picture (ARGB32, transparent
  // where the window shows through) with its hotspot, or the standard
  // arrow for a null picture.
  virtual void setCursor(const QImage& image, int hotX, int hotY) = 0;
  // An animated pointer: the frames shown in turn, each for its time, over
  // and over; the first one at once.
  struct CursorStep {
    const QImage* image;  // ARGB32, lives as long as the call
    int hotX, hotY;
    uint32_t ms;
  };
  virtual void setAnimatedCursor(const std::vector<CursorStep>& steps) {
    if (!steps.empty()) setCursor(*steps[0].image, steps[0].hotX, steps[0].hotY);
  }
  // Window display at 1, 2 or 3 times the picture's size.
  virtual void setWindowScale(int scale) = 0;

  // ---- dialogs -----------------------------------------------------------
  virtual void messageBox(const std::string& text) = 0;
  virtual bool question(const std::string& text, const std::string& title) = 0;
  virtual std::optional<std::string> inputDialog(const std::string& caption,
                                                 const std::string& prompt,
                                                 const std::string& initial) = 0;
  // Returns a host path (UTF-8) or nothing when cancelled.
  virtual std::optional<std::string> saveFileDialog(const std::string& title,
                                                    const std::string& filter) = 0;
  // The volume dialog, which has run FormShow: the window shows it modally
  // and destroys it when it closes; the headless platform keeps it open
  // for the harness's actions until they close it.
  virtual void showVolumeDialog(std::unique_ptr<VolumeDialog> dialog) = 0;

  // The speech dialog: voice, rate and volume, handed to apply when the
  // reader confirms them. The headless platform has none.
  virtual void showSpeechDialog(Speech& speech,
                                const std::function<void(const SpeechSettings&)>& apply) {
    (void)speech, (void)apply;
  }

  // A dialog of the window's is open (it holds the reader's attention).
  virtual bool modalOpen() { return false; }
  // A short note drawn over the picture for ms milliseconds, never into the
  // engine's layers.
  virtual void showNote(const std::string& cp932, uint32_t ms) { (void)cp932, (void)ms; }
  // Opens the menu bar with the keyboard's focus on its first menu.
  virtual void openMenuBar() {}
  // The save dialog (platform/SaveDialogModel.h): the window shows it
  // modally and calls model.act once it closes on an action; the headless
  // platform keeps it open for the harness's actions.
  virtual void showSaveDialog(const SaveDialogModel& model) { (void)model; }

  // ---- shell -------------------------------------------------------------
  virtual void shellOpen(const std::string& hostPath) = 0;

  // ---- reading aids ------------------------------------------------------
  // The text the window's accessible description carries (the current line).
  virtual void setAccessibleText(const std::string& cp932) { (void)cp932; }
  // Sockets are open (the text hook): a platform without an event loop of
  // its own handles their events while the player waits.
  virtual void setNetworkActive(bool on) { (void)on; }

  // ---- audio, MIDI timing ------------------------------------------------
  // The periodic multimedia timer (timeSetEvent semantics) the sequencer
  // runs on; lives as long as the platform.
  virtual MultimediaTimer& multimediaTimer() = 0;
  // Starts pulling the one output stream from source; nullptr stops it.
  // After openAudio(nullptr) returns, the old source is no longer called.
  virtual void openAudio(AudioSource* source) = 0;
  // The audio clock: the output frame at which a sound started now is
  // heard. Safe to call from any thread.
  virtual uint64_t audioClock() = 0;
  // A new MIDI output as the options choose it (platform/MidiDevice.h); a
  // synthesizer among them renders on this platform's audio clock.
  virtual std::unique_ptr<MidiOut> openMidiOut(const MidiOutOptions& options) = 0;
};

}  // namespace mirt
