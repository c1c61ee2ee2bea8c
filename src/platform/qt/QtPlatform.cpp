#include "platform/qt/QtPlatform.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "common/Encoding.h"
#include "common/ScreenSize.h"
#include "platform/GameControllers.h"
#include "platform/SaveDialogModel.h"
#include "platform/ShutdownSignals.h"
#include "platform/qt/QtText.h"
#include "platform/qt/SaveDialog.h"
#include "platform/qt/SpeechWindow.h"
#include "platform/qt/VolumeWindow.h"

namespace mirt {
namespace {

constexpr int kWidth = kScreenWidth;
// How often the game controllers are looked at, with one plugged in and without.
constexpr int kPadPollMs = 16;
constexpr int kNoPadPollMs = 250;
constexpr int kHeight = kScreenHeight;

std::string toCp932(const QString& s) { return utf8ToCp932(s.toStdString()); }

bool g_quitRequested = false;

// The picture, scaled. Mouse input is handed to the platform, which maps
// it to picture pixels and decides whether it reaches the engine now or
// later.
class PictureWidget : public QWidget {
 public:
  PictureWidget(QtPlatform& p, QWidget* parent) : QWidget(parent), p_(p) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent* e) override {
    QPainter painter(this);
    p_.paintPicture(painter, e->region());
  }
  void mousePressEvent(QMouseEvent* e) override { p_.mousePressed(e->button(), e->position()); }
  void mouseReleaseEvent(QMouseEvent* e) override {
    p_.mouseReleased(e->button(), e->position(), rect().contains(e->position().toPoint()));
  }
  void mouseMoveEvent(QMouseEvent* e) override { p_.mouseMoved(e->position()); }

 private:
  QtPlatform& p_;
};

// Central area: exactly the picture in window display, the whole screen on
// black in full-screen display.
class PictureArea : public QWidget {
 public:
  PictureArea(QtPlatform& p, QWidget* parent) : QWidget(parent), p_(p) {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
  }

 protected:
  void resizeEvent(QResizeEvent*) override { p_.layoutPicture(); }

 private:
  QtPlatform& p_;
};

class MainWindow : public QMainWindow {
 public:
  explicit MainWindow(QtPlatform& p) : p_(p) {}
  bool allowClose = false;

 protected:
  void keyPressEvent(QKeyEvent* e) override { p_.keyPressed(e->key()); }
  void keyReleaseEvent(QKeyEvent* e) override {
    if (!e->isAutoRepeat()) p_.keyReleased(e->key());
  }
  void wheelEvent(QWheelEvent* e) override { p_.wheelTurned(e->angleDelta().y()); }
  void closeEvent(QCloseEvent* e) override {
    if (allowClose) {
      e->accept();
      return;
    }
    e->ignore();
    p_.closeBoxPressed();
  }

 private:
  QtPlatform& p_;
};

Qt::WindowFlags windowedFlags() {
  return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
         Qt::MSWindowsFixedSizeDialogHint;
}

}  // namespace

// ---- construction -----------------------------------------------------------

QtPlatform::QtPlatform(int scale, ScaleFilter filter)
    : scale_(std::clamp(scale, kMinWindowScale, kMaxWindowScale)), filter_(filter) {
  clock_.start();
  auto* win = new MainWindow(*this);
  window_ = win;
  window_->setWindowFlags(windowedFlags());
  window_->setAttribute(Qt::WA_QuitOnClose, false);
  container_ = new PictureArea(*this, window_);
  picture_ = new PictureWidget(*this, container_);
  window_->setCentralWidget(container_);
  window_->menuBar()->setNativeMenuBar(false);

  timer2_ = new QTimer(window_);
  timer2_->setInterval(100);
  timer2_->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer2_, &QTimer::timeout, window_, [this] { timerTick(); });
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, window_, [this] { quitting_ = true; });
  // The session ending closes the window the way the end-of-game entry does.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, window_,
                   [this](QSessionManager&) { requestClose(); });
  if (SignalPipeFd() >= 0) {
    signals_ = new QSocketNotifier(SignalPipeFd(), QSocketNotifier::Read, window_);
    QObject::connect(signals_, &QSocketNotifier::activated, window_, [this] { signalsArrived(); });
  }

  image_ = QImage(kWidth, kHeight, QImage::Format_RGB32);
  image_.fill(Qt::black);

  updateFixedSize();
  centreWindow();
  placed_ = false;
  window_->show();
  picture_->setFocus();

  pads_ = std::make_unique<GameControllers>();
  if (pads_->available()) {
    // Every frame while a pad is there; without one, only often enough to
    // see one plugged in, so an idle window does not wake sixty times a
    // second for nothing.
    padTimer_ = new QTimer(window_);
    padTimer_->setInterval(kPadPollMs);
    QObject::connect(padTimer_, &QTimer::timeout, window_, [this] {
      pads_->Poll([this](PadButton b, bool down) { padPressed(b, down); });
      padTimer_->setInterval(pads_->count() > 0 ? kPadPollMs : kNoPadPollMs);
    });
    padTimer_->start();
  }
}

QtPlatform::~QtPlatform() {
  if (audioOpener_.joinable()) audioOpener_.join();
  events_ = nullptr;
  delete window_;  // and the pads' timer with it
  pads_.reset();
}

void QtPlatform::setEventHandler(WindowEvents* events) { events_ = events; }

// ---- dispatch gate ------------------------------------------------------------

void QtPlatform::post(Input in) {
  if (in.kind == Input::MouseMove && !queue_.empty() && queue_.back().kind == Input::MouseMove) {
    queue_.back() = std::move(in);  // only the latest position matters
  } else {
    queue_.push_back(std::move(in));
  }
  scheduleDrain();
}

void QtPlatform::scheduleDrain() {
  if (drainScheduled_) return;
  drainScheduled_ = true;
  QTimer::singleShot(0, window_, [this] {
    drainScheduled_ = false;
    drain();
  });
}

// Hands on everything queued, in order, while no handler or platform call
// is running. Items queued by the handlers themselves are handed on too.
void QtPlatform::drain() {
  while (!busy() && !queue_.empty()) {
    Input in = std::move(queue_.front());
    queue_.pop_front();
    dispatch(in);
  }
}

void QtPlatform::dispatch(const Input& in) {
  if (in.kind == Input::Close) {
    if (events_ && !closed_) {
      ++handlerDepth_;
      events_->closeRequested();
      --handlerDepth_;
    }
    finishClose();
    return;
  }
  if (!events_ || closed_) return;
  ++handlerDepth_;
  switch (in.kind) {
    case Input::Click: events_->formClick(); break;
    case Input::MouseDown: events_->formMouseDown(in.button, in.x, in.y); break;
    case Input::MouseMove: events_->formMouseMove(in.x, in.y); break;
    case Input::KeyDown: events_->formKeyDown(in.key); break;
    case Input::KeyUp: events_->formKeyUp(in.key); break;
    case Input::Wheel: events_->formWheel(in.x); break;
    case Input::Menu: events_->menuActivated(in.item); break;
    case Input::Pad: events_->padButton(in.pad, in.down); break;
    case Input::Close: break;
  }
  --handlerDepth_;
}

void QtPlatform::timerTick() {
  // A tick that finds a handler running is lost, as a window timer's would be.
  if (busy() || !events_ || closed_) return;
  ++handlerDepth_;
  events_->timer2Timer();
  --handlerDepth_;
  drain();
}

void QtPlatform::processEvents() {
  ++platformDepth_;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  leavePlatformCall();
}

// Input queued during a platform call made outside any handler (start-up,
// say) would otherwise wait for the next event; the loop hands it on.
void QtPlatform::leavePlatformCall() {
  --platformDepth_;
  if (!busy() && !queue_.empty()) scheduleDrain();
}

void QtPlatform::mousePressed(Qt::MouseButton b, QPointF pos) {
  const PictureGeometry g = pictureGeometry();
  const int x = g.ClientX(pos.x()), y = g.ClientY(pos.y());
  MouseButton mb;
  if (b == Qt::LeftButton) {
    leftDown_ = true;
    leftPressedOnPicture_ = true;
    mb = MouseButton::Left;
  } else if (b == Qt::RightButton) {
    mb = MouseButton::Right;
  } else if (b == Qt::MiddleButton) {
    mb = MouseButton::Middle;
  } else {
    return;
  }
  Input in(Input::MouseDown);
  in.button = mb;
  in.x = x;
  in.y = y;
  post(std::move(in));
}

void QtPlatform::mouseReleased(Qt::MouseButton b, QPointF, bool inside) {
  if (b != Qt::LeftButton) return;
  leftDown_ = false;
  // In full screen the black around the picture is part of the window.
  bool click = leftPressedOnPicture_ && (inside || fullScreen_);
  leftPressedOnPicture_ = false;
  if (click) post(Input(Input::Click));
}

void QtPlatform::mouseMoved(QPointF pos) {
  const PictureGeometry g = pictureGeometry();
  Input in(Input::MouseMove);
  in.x = g.ClientX(pos.x());
  in.y = g.ClientY(pos.y());
  post(std::move(in));
}

void QtPlatform::keyPressed(int qtKey) {
  int vk = virtualKeyFor(qtKey);
  if (vk == 0) return;
  Input in(Input::KeyDown);
  in.key = vk;
  post(std::move(in));
}

// Only Control's release means something: skipping read text while held.
void QtPlatform::keyReleased(int qtKey) {
  if (virtualKeyFor(qtKey) != kKeyControl) return;
  Input in(Input::KeyUp);
  in.key = kKeyControl;
  post(std::move(in));
}

// A fine-grained wheel or touchpad adds up to whole notches.
void QtPlatform::wheelTurned(int angle) {
  constexpr int kNotch = 120;
  wheelAngle_ += angle;
  const int notches = wheelAngle_ / kNotch;
  if (notches == 0) return;
  wheelAngle_ -= notches * kNotch;
  Input in(Input::Wheel);
  in.x = -notches;  // towards the reader is down the page
  post(std::move(in));
}

bool QtPlatform::modalOpen() { return QApplication::activeModalWidget() != nullptr; }

void QtPlatform::padPressed(PadButton button, bool down) {
  if (closed_) return;
  // An open menu or dialog is worked by the pad as by the keyboard: A is
  // Enter, B Escape, the d-pad the arrows. Releases always go to the
  // engine, so that nothing stays held there.
  QWidget* target = QApplication::activePopupWidget();
  if (!target) target = QApplication::activeModalWidget();
  if (!target && window_->menuBar()->hasFocus()) target = window_->menuBar();
  if (down && target) {
    Qt::Key key;
    switch (button) {
      case PadButton::A: key = Qt::Key_Return; break;
      case PadButton::B: key = Qt::Key_Escape; break;
      case PadButton::DpadUp: key = Qt::Key_Up; break;
      case PadButton::DpadDown: key = Qt::Key_Down; break;
      case PadButton::DpadLeft: key = Qt::Key_Left; break;
      case PadButton::DpadRight: key = Qt::Key_Right; break;
      default: return;
    }
    QWidget* focus = QApplication::focusWidget();
    QPointer<QWidget> to =
        focus && (focus == target || target->isAncestorOf(focus)) ? focus : target;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(to, &press);
    if (to) {
      QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
      QApplication::sendEvent(to, &release);
    }
    return;
  }
  // A press while another program has the focus is not for us.
  if (down && !window_->isActiveWindow()) return;
  Input in(Input::Pad);
  in.pad = button;
  in.down = down;
  post(std::move(in));
}

void QtPlatform::openMenuBar() {
  if (closed_) return;
  QMenuBar* bar = window_->menuBar();
  if (!menuVisible_) setMenuBarVisible(true);  // full screen hides it
  for (QAction* a : bar->actions()) {
    if (a->isVisible() && a->isEnabled() && a->menu()) {
      bar->setActiveAction(a);  // its menu opens and takes the keys
      // As the keyboard opens a menu: on its first entry.
      for (QAction* entry : a->menu()->actions()) {
        if (entry->isVisible() && entry->isEnabled() && !entry->isSeparator()) {
          a->menu()->setActiveAction(entry);
          break;
        }
      }
      return;
    }
  }
}

void QtPlatform::closeBoxPressed() { requestClose(); }

// A signal from outside: an end closes open dialogs (as cancelled) and then
// the window, through the same shutdown as the end-of-game entry; another
// start's request brings the window to the front.
void QtPlatform::signalsArrived() {
  const int requests = TakeSignalRequests();
  if (requests & kSignalEnd) {
    while (QWidget* modal = QApplication::activeModalWidget()) {
      if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
      } else {
        modal->close();
      }
      if (QApplication::activeModalWidget() == modal) break;
    }
    requestClose();
  }
  if (requests & kSignalShow) {
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    window_->raise();
    window_->activateWindow();
    QApplication::alert(window_);
  }
}

int QtPlatform::virtualKeyFor(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return kKeyEnter;
    case Qt::Key_Escape: return kKeyEscape;
    case Qt::Key_Space: return kKeySpace;
    case Qt::Key_Control: return kKeyControl;
    case Qt::Key_PageUp: return kKeyPageUp;
    case Qt::Key_PageDown: return kKeyPageDown;
    case Qt::Key_Up: return kKeyUp;
    case Qt::Key_Down: return kKeyDown;
    case Qt::Key_Left: return 37;
    case Qt::Key_Right: return 39;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    default: break;
  }
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return '0' + (qtKey - Qt::Key_0);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return 112 + (qtKey - Qt::Key_F1);
  return 0;
}

// ---- clock ----------------------------------------------------------------------

uint32_t QtPlatform::tickCount() { return static_cast<uint32_t>(clock_.elapsed()); }

void QtPlatform::sleepMs(uint32_t ms) {
  const qint64 end = clock_.elapsed() + ms;
  processEvents();
  for (;;) {
    qint64 left = end - clock_.elapsed();
    if (left <= 0) break;
    QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, 1)));
    processEvents();
  }
}

void QtPlatform::yieldCpu() {
  processEvents();
  QThread::yieldCurrentThread();
}

bool QtPlatform::sleepUnlessLeftDown(uint32_t ms) {
  // Polls the button about every millisecond and wakes exactly when the
  // tick counter reaches the end, not up to a millisecond after it.
  const qint64 endNs = (clock_.elapsed() + ms) * 1000000;
  for (;;) {
    processEvents();
    if (leftDown_) return false;
    const qint64 left = endNs - clock_.nsecsElapsed();
    if (left <= 0) return true;
    std::this_thread::sleep_for(std::chrono::nanoseconds(std::min<qint64>(left, 1000000)));
  }
}

// ---- input ----------------------------------------------------------------------

bool QtPlatform::leftButtonDown() {
  processEvents();
  return leftDown_;
}

bool QtPlatform::pumpOneMessage() {
  if (quitting_) return false;
  processEvents();
  if (!queue_.empty()) {
    Input in = std::move(queue_.front());
    queue_.pop_front();
    dispatch(in);
  }
  return !quitting_;
}

// ---- window ---------------------------------------------------------------------

void QtPlatform::setCaption(const std::string& caption) {
  window_->setWindowTitle(fromCp932(caption));
}

void QtPlatform::setApplicationTitle(const std::string& title) { appTitle_ = fromCp932(title); }

// At its own size the picture is painted at once rather than at the next
// return to the event loop, so each step of a transition is seen as it is
// drawn. Scaled, the paint costs a few milliseconds: it is left to the
// events the engine's next wait handles (every step wait, pause and button
// poll handles them first), so the scaling takes its time from the wait
// instead of adding to it. The image is shared, not copied: the engine's
// next change to its own picture detaches it, so what was shown last is
// still here to tell which part of the picture changed; only that part is
// painted again.
void QtPlatform::present(const QImage& screen) {
  const QImage next = screen.depth() == 32 ? screen : screen.convertToFormat(QImage::Format_RGB32);
  int x, y, w, h;
  const bool changed = ChangedArea(image_, next, &x, &y, &w, &h);
  image_ = next;
  if (!changed) return;
  const QRect r(x, y, w, h);
  stale_ = stale_.united(r);
  repaintPicture(widgetAreaFor(r));
}

void QtPlatform::repaintPicture(const QRect& area) {
  const PictureGeometry g = pictureGeometry();
  const bool unscaled =
      g.deviceWidth == kWidth && g.deviceHeight == kHeight && g.deviceLeft == 0 && g.deviceTop == 0;
  if (unscaled) {
    picture_->repaint(area);
  } else {
    picture_->update(area);
  }
}

QRect QtPlatform::widgetAreaFor(const QRect& r) const {
  const PictureGeometry g = pictureGeometry();
  const double dpr = picture_->devicePixelRatioF();
  int dx, dy, dw, dh;
  DeviceRectFor(g, r.x(), r.y(), r.width(), r.height(), &dx, &dy, &dw, &dh);
  return QRectF(dx / dpr, dy / dpr, dw / dpr, dh / dpr).toAlignedRect();
}

PictureGeometry QtPlatform::pictureGeometry() const {
  const double dpr = picture_->devicePixelRatioF();
  if (fullScreen_) return FullScreenGeometry(picture_->width(), picture_->height(), dpr, filter_);
  return WindowGeometry(scale_, dpr, filter_);
}

// The painter's device is mostly the window's backing store, an image: the
// picture is scaled straight into it, and only inside the region asked
// for (the black beside the picture is painted only when the region takes
// it in, after a change of size or an expose).
bool QtPlatform::paintIntoStore(QPainter& painter, const QRegion& region,
                                const PictureGeometry& g) {
  QPaintEngine* engine = painter.paintEngine();
  QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
  if (!device || device->devType() != QInternal::Image) return false;
  auto* store = static_cast<QImage*>(device);
  // Written through its pixels only while nothing else shares them.
  if (store->format() != QImage::Format_RGB32 || !store->isDetached()) return false;
  const QTransform t = painter.deviceTransform();
  const double dpr = picture_->devicePixelRatioF();
  const double ox = std::round(t.dx()), oy = std::round(t.dy());
  if (t.type() > QTransform::TxScale || std::abs(t.m11() - dpr) > 1e-9 ||
      std::abs(t.m22() - dpr) > 1e-9 || std::abs(t.dx() - ox) > 1e-6 ||
      std::abs(t.dy() - oy) > 1e-6)
    return false;
  // The widget's own device pixels within the store.
  const QRect widget(int(ox), int(oy), int(std::lround(picture_->width() * dpr)),
                     int(std::lround(picture_->height() * dpr)));
  const QRect inStore = widget.intersected(store->rect());
  if (inStore.isEmpty()) return true;
  const qsizetype bpl = store->bytesPerLine();
  uchar* origin = store->bits() + qsizetype(inStore.y()) * bpl + qsizetype(inStore.x()) * 4;
  QImage view(origin, inStore.width(), inStore.height(), bpl, QImage::Format_RGB32);
  // The view starts where the store's part of the widget starts.
  PictureGeometry vg = g;
  vg.deviceLeft -= inStore.x() - widget.x();
  vg.deviceTop -= inStore.y() - widget.y();
  for (const QRect& r : region) {
    const QRect d = QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr)
                        .toAlignedRect()
                        .translated(widget.x() - inStore.x(), widget.y() - inStore.y())
                        .intersected(view.rect());
    if (d.isEmpty()) continue;
    FillOutsidePicture(view, vg, d.x(), d.y(), d.width(), d.height());
    scaler_.Scale(image_, view, vg, d.x(), d.y(), d.width(), d.height());
  }
  return true;
}

void QtPlatform::paintPicture(QPainter& painter, const QRegion& region) {
  const double dpr = picture_->devicePixelRatioF();
  const PictureGeometry g = pictureGeometry();
  if (image_.width() == kWidth && image_.height() == kHeight &&
      paintIntoStore(painter, region, g)) {
    frame_ = QImage();
    stale_ = QRect();
    return;
  }
  const QSize device(int(std::lround(picture_->width() * dpr)),
                     int(std::lround(picture_->height() * dpr)));
  if (frame_.size() != device || frame_.devicePixelRatio() != dpr ||
      g.deviceLeft != frameGeometry_.deviceLeft || g.deviceTop != frameGeometry_.deviceTop ||
      g.deviceWidth != frameGeometry_.deviceWidth || g.smooth != frameGeometry_.smooth) {
    frame_ = QImage(device, QImage::Format_RGB32);
    frame_.fill(Qt::black);
    frame_.setDevicePixelRatio(dpr);
    frameGeometry_ = g;
    stale_ = QRect(0, 0, kWidth, kHeight);
  }
  if (!stale_.isEmpty() && image_.width() == kWidth && image_.height() == kHeight) {
    int dx, dy, dw, dh;
    DeviceRectFor(g, stale_.x(), stale_.y(), stale_.width(), stale_.height(), &dx, &dy, &dw, &dh);
    scaler_.Scale(image_, frame_, g, dx, dy, dw, dh);
  }
  stale_ = QRect();
  painter.drawImage(QPointF(0, 0), frame_);
}

void QtPlatform::setTimer2(bool running) {
  if (running) {
    timer2_->start();
  } else {
    timer2_->stop();
  }
}

void QtPlatform::presentRect(const QImage& screen, int x, int y, int w, int h) {
  QRect r = QRect(x, y, w, h).intersected(screen.rect());
  if (image_.size() != screen.size() || image_.format() != screen.format()) {
    present(screen);
    return;
  }
  if (r.isEmpty()) return;
  {
    QPainter painter(&image_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(r.topLeft(), screen, r);
  }
  stale_ = stale_.united(r);
  repaintPicture(widgetAreaFor(r));
}

bool QtPlatform::timer2Running() const { return timer2_->isActive(); }

void QtPlatform::requestClose() {
  if (closeQueued_ || closed_) return;
  closeQueued_ = true;
  post(Input(Input::Close));
}

void QtPlatform::finishClose() {
  if (closed_) return;
  closed_ = true;
  closeQueued_ = true;
  timer2_->stop();
  if (padTimer_) padTimer_->stop();
  static_cast<MainWindow*>(window_)->allowClose = true;
  window_->close();
  quitting_ = true;
  g_quitRequested = true;
  QCoreApplication::quit();
}

bool QtPlatform::windowExists() { return !closed_; }

void QtPlatform::moveWindow(int left, int top) {
  placed_ = true;
  if (fullScreen_) {
    windowedPos_ = QPoint(left, top);
    return;
  }
  // A position from a larger or another monitor must not leave the window
  // out of reach: keep the whole frame on the screen nearest to it.
  QScreen* screen = QGuiApplication::screenAt(QPoint(left, top));
  if (!screen) screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    QRect avail = screen->availableGeometry();
    QSize frame = window_->isVisible() ? window_->frameGeometry().size() : window_->size();
    left = std::max(avail.left(), std::min(left, avail.right() + 1 - frame.width()));
    top = std::max(avail.top(), std::min(top, avail.bottom() + 1 - frame.height()));
  }
  window_->move(left, top);
}

int QtPlatform::windowLeft() { return fullScreen_ ? windowedPos_.x() : window_->x(); }

int QtPlatform::windowTop() { return fullScreen_ ? windowedPos_.y() : window_->y(); }

void QtPlatform::centreWindow() {
  placed_ = true;
  if (fullScreen_) return;
  QScreen* screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect avail = screen->geometry();
  QSize frame = window_->frameGeometry().size();
  if (!window_->isVisible()) frame = window_->size();
  window_->move(avail.x() + (avail.width() - frame.width()) / 2,
                avail.y() + (avail.height() - frame.height()) / 2);
}

int QtPlatform::menuBarHeight() const {
  if (!menuVisible_) return 0;
  QMenuBar* bar = window_->menuBar();
  int h = bar->heightForWidth(kWidth * scale_);
  return h > 0 ? h : bar->sizeHint().height();
}

void QtPlatform::updateFixedSize() {
  if (fullScreen_) return;
  const QSize size(kWidth * scale_, kHeight * scale_);
  picture_->setFixedSize(size);
  container_->setFixedSize(size);
  window_->setFixedSize(size.width(), size.height() + menuBarHeight());
}

void QtPlatform::layoutPicture() {
  if (!fullScreen_) {
    picture_->move(0, 0);
    return;
  }
  // The whole window, whether or not the menu bar is shown above: the
  // picture keeps its place on the screen when the bar comes and goes.
  picture_->setMinimumSize(0, 0);
  picture_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  picture_->setGeometry(-container_->x(), -container_->y(), window_->width(), window_->height());
}

void QtPlatform::setWindowScale(int scale) {
  scale = std::clamp(scale, kMinWindowScale, kMaxWindowScale);
  if (scale == scale_) return;
  scale_ = scale;
  updateFixedSize();
  layoutPicture();
  picture_->update();
}

void QtPlatform::setMenuBarVisible(bool visible) {
  if (visible == menuVisible_) return;
  menuVisible_ = visible;
  window_->menuBar()->setVisible(visible);
  updateFixedSize();
  layoutPicture();
}

void QtPlatform::setFullScreen(bool on) {
  if (on == fullScreen_) {
    if (on) window_->showFullScreen();
    return;
  }
  if (on) {
    windowedPos_ = window_->pos();
    fullScreen_ = true;
    window_->setMinimumSize(0, 0);
    window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    container_->setMinimumSize(0, 0);
    container_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // Qt's full-screen state: borderless over the screen the window is on,
    // under X11 and Wayland alike. The geometry is for X servers without a
    // window manager to honour the state; Wayland ignores it.
    if (QScreen* s = window_->screen()) window_->setGeometry(s->geometry());
    window_->showFullScreen();
  } else {
    fullScreen_ = false;
    window_->showNormal();
    updateFixedSize();
    window_->move(windowedPos_);
    window_->show();
  }
  layoutPicture();
  picture_->setFocus();
}

void QtPlatform::setCursor(const QImage& image, int hotX, int hotY) {
  cursorFrames_.clear();
  if (cursorTimer_) cursorTimer_->stop();
  // The picture area and the black around it in full-screen display; the
  // menu bar keeps the arrow.
  if (image.isNull()) {
    container_->unsetCursor();
    return;
  }
  container_->setCursor(QCursor(QPixmap::fromImage(image), hotX, hotY));
}

void QtPlatform::setAnimatedCursor(const std::vector<CursorStep>& steps) {
  setCursor(steps.empty() ? QImage() : *steps[0].image, steps.empty() ? 0 : steps[0].hotX,
            steps.empty() ? 0 : steps[0].hotY);
  if (steps.size() < 2) return;
  for (const CursorStep& s : steps)
    cursorFrames_.push_back({QCursor(QPixmap::fromImage(*s.image), s.hotX, s.hotY), s.ms});
  cursorStep_ = 0;
  if (!cursorTimer_) {
    cursorTimer_ = new QTimer(window_);
    cursorTimer_->setSingleShot(true);
    QObject::connect(cursorTimer_, &QTimer::timeout, window_, [this] {
      if (cursorFrames_.empty()) return;
      cursorStep_ = (cursorStep_ + 1) % cursorFrames_.size();
      container_->setCursor(cursorFrames_[cursorStep_].cursor);
      cursorTimer_->start(int(cursorFrames_[cursorStep_].ms));
    });
  }
  cursorTimer_->start(int(cursorFrames_[0].ms));
}

// ---- menu -----------------------------------------------------------------------

bool QtPlatform::sameShape(const std::vector<MenuEntry>& bar,
                           const std::vector<MenuNode>& nodes) const {
  if (bar.size() != nodes.size()) return false;
  for (size_t i = 0; i < bar.size(); ++i) {
    const MenuEntry& e = bar[i];
    const MenuNode& n = nodes[i];
    if (e.name != n.name) return false;
    if ((e.caption == "-") != (n.action && n.action->isSeparator())) return false;
    if (e.children.empty() != (n.menu == nullptr)) return false;
    if (!sameShape(e.children, n.children)) return false;
  }
  return true;
}

void QtPlatform::applyEntry(const MenuEntry& e, MenuNode& node) {
  node.checked = e.checked;
  QAction* a = node.action;
  if (!a->isSeparator()) {
    QString text = fromCp932(e.caption);
    if (node.menu) node.menu->setTitle(text);
    a->setText(text);
    if (!node.menu) {
      a->setCheckable(e.checked || e.checkable);
      a->setToolTip(fromCp932(e.tooltip));
      a->setChecked(e.checked);
      a->setProperty("mirtChecked", e.checked);
    }
  }
  a->setEnabled(e.enabled);
  a->setVisible(e.visible);
}

void QtPlatform::buildMenu(QWidget* parent, const std::vector<MenuEntry>& entries,
                           std::vector<MenuNode>& nodes) {
  nodes.clear();
  nodes.resize(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const MenuEntry& e = entries[i];
    MenuNode& node = nodes[i];
    node.name = e.name;
    if (!e.children.empty()) {
      auto* sub = new QMenu(fromCp932(e.caption), parent);
      sub->setToolTipsVisible(true);  // why an item is disabled
      node.menu = sub;
      node.action = sub->menuAction();
      parent->addAction(node.action);
      buildMenu(sub, e.children, node.children);
    } else if (e.caption == "-") {
      node.action = new QAction(parent);
      node.action->setSeparator(true);
      parent->addAction(node.action);
    } else {
      QAction* a = new QAction(parent);
      a->setData(QString::fromStdString(e.name));
      node.action = a;
      parent->addAction(a);
      QObject::connect(a, &QAction::triggered, window_, [this, a] { menuTriggered(a); });
    }
    applyEntry(e, node);
  }
}

void QtPlatform::updateMenu(const std::vector<MenuEntry>& entries, std::vector<MenuNode>& nodes) {
  for (size_t i = 0; i < entries.size(); ++i) {
    applyEntry(entries[i], nodes[i]);
    updateMenu(entries[i].children, nodes[i].children);
  }
}

void QtPlatform::setMenu(const std::vector<MenuEntry>& bar) {
  if (sameShape(bar, menu_)) {
    updateMenu(bar, menu_);
    return;
  }
  // Rebuild. The old actions may be the sender of a signal being handled,
  // so they go later, from the event loop.
  QMenuBar* mb = window_->menuBar();
  for (QAction* a : mb->actions()) {
    mb->removeAction(a);
    if (QMenu* m = a->menu()) {
      m->deleteLater();
    } else {
      a->deleteLater();
    }
  }
  buildMenu(mb, bar, menu_);
  updateFixedSize();
  if (!placed_) centreWindow();  // the height has changed with the menu bar
}

void QtPlatform::menuTriggered(QAction* a) {
  // The engine owns the check marks; undo Qt's own toggling.
  a->setChecked(a->property("mirtChecked").toBool());
  Input in(Input::Menu);
  in.item = a->data().toString().toStdString();
  post(std::move(in));
}

// ---- dialogs --------------------------------------------------------------------

void QtPlatform::messageBox(const std::string& text) {
  ++platformDepth_;
  QMessageBox box(QMessageBox::NoIcon, appTitle_, fromCp932(text), QMessageBox::Ok, window_);
  box.exec();
  leavePlatformCall();
}

bool QtPlatform::question(const std::string& text, const std::string& title) {
  ++platformDepth_;
  QMessageBox box(QMessageBox::Question, fromCp932(title), fromCp932(text),
                  QMessageBox::Yes | QMessageBox::No, window_);
  box.setDefaultButton(QMessageBox::Yes);
  bool yes = box.exec() == QMessageBox::Yes;
  leavePlatformCall();
  return yes;
}

std::optional<std::string> QtPlatform::inputDialog(const std::string& caption,
                                                   const std::string& prompt,
                                                   const std::string& initial) {
  ++platformDepth_;
  bool ok = false;
  QString s = QInputDialog::getText(window_, fromCp932(caption), fromCp932(prompt),
                                    QLineEdit::Normal, fromCp932(initial), &ok);
  leavePlatformCall();
  if (!ok) return std::nullopt;
  return toCp932(s);
}

QString QtPlatform::qtFileFilter(const QString& windowsFilter) {
  if (windowsFilter.isEmpty()) return QString();
  QStringList parts = windowsFilter.split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns =
        parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' ')).trimmed();
    out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
  }
  if (parts.size() % 2 == 1 && !parts.back().isEmpty()) out << parts.back();
  return out.join(QStringLiteral(";;"));
}

std::optional<std::string> QtPlatform::saveFileDialog(const std::string& title,
                                                      const std::string& filter) {
  ++platformDepth_;
  QString path = QFileDialog::getSaveFileName(window_, fromCp932(title), QString(),
                                              qtFileFilter(fromCp932(filter)));
  leavePlatformCall();
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

void QtPlatform::showVolumeDialog(std::unique_ptr<VolumeDialog> dialog) {
  ++platformDepth_;
  RunVolumeWindow(*dialog, window_);
  leavePlatformCall();
}

void QtPlatform::showSpeechDialog(Speech& speech,
                                  const std::function<void(const SpeechSettings&)>& apply) {
  ++platformDepth_;
  RunSpeechWindow(speech, apply, window_);
  leavePlatformCall();
}

void QtPlatform::showNote(const std::string& cp932, uint32_t ms) {
  // A label over the picture widget: the picture under it stays as the
  // engine drew it.
  if (!note_) {
    note_ = new QLabel(picture_);
    note_->setStyleSheet(
        QStringLiteral("QLabel { background: rgba(0, 0, 0, 170); color: white; padding: 6px 12px;"
                       " border-radius: 6px; }"));
    note_->setAttribute(Qt::WA_TransparentForMouseEvents);
    noteTimer_ = new QTimer(note_);
    noteTimer_->setSingleShot(true);
    QObject::connect(noteTimer_, &QTimer::timeout, note_, &QWidget::hide);
  }
  note_->setText(fromCp932(cp932));
  note_->adjustSize();
  const PictureGeometry g = pictureGeometry();
  const double dpr = picture_->devicePixelRatioF();
  note_->move(int(g.deviceLeft / dpr) + 12, int(g.deviceTop / dpr) + 12);
  note_->show();
  note_->raise();
  noteTimer_->start(int(ms));
}

void QtPlatform::showSaveDialog(const SaveDialogModel& model) {
  ++platformDepth_;
  const auto chosen = RunSaveDialog(model, window_);
  leavePlatformCall();
  if (chosen && model.act) model.act(chosen->first, chosen->second);
}

void QtPlatform::setAccessibleText(const std::string& cp932) {
  // Screen readers (Orca through AT-SPI) read the change of description.
  const QString text = fromCp932(cp932);
  for (QWidget* w : {static_cast<QWidget*>(window_), picture_}) {
    if (!w || w->accessibleDescription() == text) continue;
    w->setAccessibleDescription(text);
    QAccessibleEvent event(w, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
  }
}

// ---- shell ----------------------------------------------------------------------

void QtPlatform::shellOpen(const std::string& hostPath) {
  QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(hostPath)});
}

int RunQtEventLoop() {
  if (g_quitRequested) return 0;
  return QApplication::exec();
}

// ---- audio ------------------------------------------------------------------

MultimediaTimer& QtPlatform::multimediaTimer() {
  if (!mmTimer_) mmTimer_ = std::make_unique<ThreadTimer>();
  return *mmTimer_;
}

void QtPlatform::openAudio(AudioSource* source) {
  if (!audio_ && !audioOpener_.joinable()) {
    if (!source) return;
    // Opening the device can take a while (SDL tries its back ends in turn,
    // a sound server may be slow to answer), so it opens on a thread of its
    // own and pulls the source from then on; the window does not wait.
    audioOpener_ = std::thread([this, source] {
      std::unique_ptr<AudioOutput> out = OpenDefaultAudioOutput(audioDevice_);
      out->setSource(source);
      audio_ = std::move(out);
      audioOpen_ = true;
    });
    return;
  }
  if (audioOpener_.joinable()) audioOpener_.join();
  audio_->setSource(source);
}

uint64_t QtPlatform::audioClock() { return audioOpen_.load() ? audio_->clock() : 0; }

// The synthesizer loads its sound font in the background; a song waits for
// it and for the audio device.
std::unique_ptr<MidiOut> QtPlatform::openMidiOut(const MidiOutOptions& options) {
  return OpenMidiOut(
      options, [this] { return audioClock(); }, [this] { return audioOpen_.load(); });
}

}  // namespace mirt
