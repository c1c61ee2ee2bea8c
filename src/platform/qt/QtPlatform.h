// The real window: Platform on Qt 6 Widgets.
//
// Only the mirt executable compiles this; nothing else includes QtWidgets.
// Handlers run on the GUI thread and never nest: input that arrives while
// one runs (the engine pumps events from its sleeps) only updates the left
// button state and is queued, and the queue is handed on after the
// outermost handler returns, or one item at a time by pumpOneMessage().
#pragma once

#include <QCursor>
#include <QElapsedTimer>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QString>

#include <atomic>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/AudioOutput.h"
#include "platform/MidiDevice.h"
#include "platform/PictureGeometry.h"
#include "platform/Platform.h"

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QMenuBar;
class QPainter;
class QSocketNotifier;
class QTimer;
class QWidget;

namespace mirt {

class GameControllers;

class QtPlatform : public Platform {
 public:
  // A QApplication must exist. Creates, centres and shows the main window,
  // at `scale` times the picture's size; scales that are no whole number of
  // device pixels are drawn with `filter`.
  explicit QtPlatform(int scale = 1, ScaleFilter filter = ScaleFilter::Smooth);
  ~QtPlatform() override;
  QtPlatform(const QtPlatform&) = delete;
  QtPlatform& operator=(const QtPlatform&) = delete;

  void setEventHandler(WindowEvents* events) override;

  uint32_t tickCount() override;
  void sleepMs(uint32_t ms) override;
  void yieldCpu() override;
  bool sleepUnlessLeftDown(uint32_t ms) override;

  bool leftButtonDown() override;
  bool pumpOneMessage() override;

  void setCaption(const std::string& caption) override;
  void setApplicationTitle(const std::string& title) override;
  void present(const QImage& screen) override;
  void presentRect(const QImage& screen, int x, int y, int w, int h) override;
  void setMenu(const std::vector<MenuEntry>& bar) override;
  void setMenuBarVisible(bool visible) override;
  void setTimer2(bool running) override;
  bool timer2Running() const override;
  void requestClose() override;
  bool windowExists() override;
  void moveWindow(int left, int top) override;
  int windowLeft() override;
  int windowTop() override;
  void centreWindow() override;
  void setFullScreen(bool on) override;
  void setCursor(const QImage& image, int hotX, int hotY) override;
  void setAnimatedCursor(const std::vector<CursorStep>& steps) override;
  void setWindowScale(int scale) override;

  void messageBox(const std::string& text) override;
  bool question(const std::string& text, const std::string& title) override;
  std::optional<std::string> inputDialog(const std::string& caption, const std::string& prompt,
                                         const std::string& initial) override;
  std::optional<std::string> saveFileDialog(const std::string& title,
                                            const std::string& filter) override;
  void showVolumeDialog(std::unique_ptr<VolumeDialog> dialog) override;
  void showSpeechDialog(Speech& speech,
                        const std::function<void(const SpeechSettings&)>& apply) override;
  void setAccessibleText(const std::string& cp932) override;
  bool modalOpen() override;
  void showNote(const std::string& cp932, uint32_t ms) override;
  void showSaveDialog(const SaveDialogModel& model) override;
  void openMenuBar() override;

  void shellOpen(const std::string& hostPath) override;

  MultimediaTimer& multimediaTimer() override;
  void openAudio(AudioSource* source) override;
  uint64_t audioClock() override;
  std::unique_ptr<MidiOut> openMidiOut(const MidiOutOptions& options) override;

  // ---- beyond Platform -----------------------------------------------------
  QMainWindow* mainWindow() const { return window_; }
  QWidget* pictureWidget() const { return picture_; }
  // The picture as last presented (what the window paints).
  const QImage& presentedImage() const { return image_; }
  bool fullScreen() const { return fullScreen_; }
  int windowScale() const { return scale_; }
  // The audio output by SDL's name, "" for the default; before audio opens.
  void setAudioDevice(const std::string& name) { audioDevice_ = name; }
  // Where the picture is in the picture widget now, and how it is drawn.
  PictureGeometry pictureGeometry() const;

  // "desc|*.bmp|desc2|*.a;*.b" -> "desc (*.bmp);;desc2 (*.a *.b)".
  static QString qtFileFilter(const QString& windowsFilter);
  // Qt key code -> the Windows virtual key, 0 when the engine has none.
  static int virtualKeyFor(int qtKey);

  // Called by the window widgets; not for the engine.
  struct Input {
    enum Kind { Click, MouseDown, MouseMove, KeyDown, KeyUp, Wheel, Menu, Close, Pad };
    explicit Input(Kind k) : kind(k) {}
    Kind kind;
    MouseButton button = MouseButton::Left;
    int x = 0;
    int y = 0;
    int key = 0;
    std::string item;
    PadButton pad = PadButton::A;
    bool down = false;
  };
  // Positions in the picture widget, device-independent pixels.
  void mousePressed(Qt::MouseButton b, QPointF pos);
  void mouseReleased(Qt::MouseButton b, QPointF pos, bool inside);
  void mouseMoved(QPointF pos);
  void paintPicture(QPainter& painter, const QRegion& region);
  void keyPressed(int qtKey);
  void keyReleased(int qtKey);
  // The wheel turned by angle eighths of a degree (120 a notch), positive away from the reader.
  void wheelTurned(int angle);
  // A controller's button: to the engine's queue, or as a key to the
  // dialog or menu that is open.
  void padPressed(PadButton button, bool down);
  void closeBoxPressed();
  void layoutPicture();

 private:
  struct MenuNode {
    QAction* action = nullptr;
    QMenu* menu = nullptr;
    std::string name;
    bool checked = false;
    std::vector<MenuNode> children;
  };

  bool busy() const { return handlerDepth_ + platformDepth_ > 0; }
  void post(Input in);
  void scheduleDrain();
  void drain();
  void dispatch(const Input& in);
  void timerTick();
  void finishClose();
  void processEvents();
  void leavePlatformCall();
  void updateFixedSize();
  int menuBarHeight() const;
  void signalsArrived();
  void repaintPicture(const QRect& area);
  // The widget area (device-independent pixels) showing a rectangle of the
  // picture, with what the filter blends from it.
  QRect widgetAreaFor(const QRect& pictureRect) const;
  bool paintIntoStore(QPainter& painter, const QRegion& region, const PictureGeometry& g);

  bool sameShape(const std::vector<MenuEntry>& bar, const std::vector<MenuNode>& nodes) const;
  void buildMenu(QWidget* parentMenu, const std::vector<MenuEntry>& entries,
                 std::vector<MenuNode>& nodes);
  void updateMenu(const std::vector<MenuEntry>& entries, std::vector<MenuNode>& nodes);
  void applyEntry(const MenuEntry& e, MenuNode& node);
  void menuTriggered(QAction* action);

  WindowEvents* events_ = nullptr;
  QMainWindow* window_ = nullptr;
  QWidget* container_ = nullptr;
  QWidget* picture_ = nullptr;
  QTimer* timer2_ = nullptr;
  QElapsedTimer clock_;
  QImage image_;
  QString appTitle_;
  int scale_ = 1;
  ScaleFilter filter_ = ScaleFilter::Smooth;
  // Where the painter's device is not an image of the window's pixels: the
  // picture scaled to the widget's device pixels, black around it, and the
  // part of image_ (picture pixels) not yet scaled into it.
  QImage frame_;
  PictureScaler scaler_;
  PictureGeometry frameGeometry_;
  QRect stale_;
  QSocketNotifier* signals_ = nullptr;
  std::string audioDevice_;

  std::deque<Input> queue_;
  int handlerDepth_ = 0;
  int platformDepth_ = 0;
  bool drainScheduled_ = false;
  bool leftDown_ = false;
  bool leftPressedOnPicture_ = false;
  int wheelAngle_ = 0;  // turned since the last whole notch

  bool closeQueued_ = false;
  bool closed_ = false;
  bool quitting_ = false;

  bool fullScreen_ = false;
  bool menuVisible_ = true;
  QPoint windowedPos_;
  bool placed_ = false;  // moved by the engine; no automatic centring

  std::vector<MenuNode> menu_;

  // The note over the picture and the timer that takes it away.
  QLabel* note_ = nullptr;
  QTimer* noteTimer_ = nullptr;

  // The animated pointer's frames and the timer that turns them.
  struct CursorFrame {
    QCursor cursor;
    uint32_t ms;
  };
  std::vector<CursorFrame> cursorFrames_;
  size_t cursorStep_ = 0;
  QTimer* cursorTimer_ = nullptr;

  // The game controllers, polled from the window's event loop.
  std::unique_ptr<GameControllers> pads_;
  QTimer* padTimer_ = nullptr;

  std::unique_ptr<MultimediaTimer> mmTimer_;
  // SDL2, else the null output; set by audioOpener_, read by other threads
  // only once audioOpen_ is true.
  std::unique_ptr<AudioOutput> audio_;
  std::thread audioOpener_;
  std::atomic<bool> audioOpen_{false};
};

// Runs the Qt event loop until the main window has closed; the exit code.
int RunQtEventLoop();

}  // namespace mirt
