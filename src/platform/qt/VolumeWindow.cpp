#include "platform/qt/VolumeWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QSlider>

#include "platform/VolumeDialog.h"

namespace mirt {
namespace {

// The dialog's faces: the Japanese UI Gothic the system has for the name.
QFont Gothic(int pixels) {
  QFont f(QString::fromUtf8("ＭＳ Ｐゴシック"));
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(pixels);
  return f;
}

// Keeps a widget at its place and size: when the face the system gives is
// wider than the one the layout was made for, the text gets smaller
// rather than cut.
void FitText(QWidget* w, int pixels) {
  for (; pixels > 9; --pixels) {
    w->setFont(Gothic(pixels));
    if (w->sizeHint().width() <= w->width()) return;
  }
}

struct ColumnWidgets {
  SoundDevice device;
  QSlider* bar;
  QCheckBox* mute;
};

}  // namespace

void RunVolumeWindow(VolumeDialog& dialog, QWidget* parent) {
  QDialog window(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                             Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  window.setWindowTitle(QString::fromUtf8("音量設定"));
  window.setFont(Gothic(12));

  auto* menu = new QMenuBar(&window);
  menu->setNativeMenuBar(false);
  QAction* exit = menu->addAction(QString::fromUtf8("終了"));
  const int menuHeight = menu->sizeHint().height();
  menu->setGeometry(0, 0, 262, menuHeight);

  // The client area, 262 x 228 below the menu bar.
  auto* client = new QWidget(&window);
  client->setGeometry(0, menuHeight, 262, 228);
  window.setFixedSize(262, 228 + menuHeight);

  auto label = [&](const char* text, int px, int x, int y, int w, int h) {
    auto* l = new QLabel(QString::fromUtf8(text), client);
    l->setGeometry(x, y, w, h);
    FitText(l, px);
  };
  label("WAVE", 16, 0, 16, 41, 16);
  label("MIDI", 16, 80, 16, 30, 16);
  label("CD-DA", 16, 168, 16, 49, 16);
  label("音量", 15, 24, 64, 30, 15);
  label("音量", 15, 104, 64, 30, 15);
  label("音量", 15, 184, 64, 30, 15);
  auto bevel = [&](QFrame::Shape shape, int x, int y, int w, int h) {
    auto* f = new QFrame(client);
    f->setFrameShape(shape);
    f->setFrameShadow(QFrame::Sunken);
    f->setGeometry(x, y, w, h);
  };
  bevel(QFrame::VLine, 72, 8, 9, 209);
  bevel(QFrame::VLine, 160, 8, 9, 213);
  bevel(QFrame::VLine, 240, 8, 9, 213);
  bevel(QFrame::HLine, 0, 0, 249, 9);

  struct Place {
    SoundDevice device;
    int barX, barW, muteX, muteW;
  };
  const Place places[3] = {{SoundDevice::Wave, 16, 49, 8, 57},
                           {SoundDevice::Midi, 96, 45, 88, 65},
                           {SoundDevice::Cd, 176, 53, 168, 65}};
  std::vector<ColumnWidgets> columns;
  for (const Place& p : places) {
    auto* bar = new QSlider(Qt::Vertical, client);
    bar->setRange(0, kVolumeSliderMax);
    bar->setTickInterval(1);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setTickPosition(QSlider::TicksBothSides);
    bar->setGeometry(p.barX, 88, p.barW, 102);
    auto* mute = new QCheckBox(QString::fromUtf8("ミュート"), client);
    mute->setGeometry(p.muteX, 192, p.muteW, 17);
    FitText(mute, 12);
    columns.push_back({p.device, bar, mute});
  }

  // The widgets show the dialog's columns; setting them runs no handler.
  auto show = [&] {
    for (const ColumnWidgets& c : columns) {
      const VolumeDialog::Column& col = dialog.column(c.device);
      const QSignalBlocker b1(c.bar), b2(c.mute);
      c.bar->setValue(col.position);
      c.bar->setEnabled(col.sliderEnabled);
      c.mute->setChecked(col.muted);
      c.mute->setEnabled(col.muteEnabled);
    }
  };
  for (const ColumnWidgets& c : columns) {
    QObject::connect(c.bar, &QSlider::valueChanged, &window, [&, c](int v) {
      dialog.BarChange(c.device, v);
      show();
    });
    QObject::connect(c.mute, &QCheckBox::clicked, &window, [&, c] {
      dialog.MuteClick(c.device);
      show();
    });
  }
  QObject::connect(exit, &QAction::triggered, &window, [&] {
    dialog.Exit1Click();
    window.accept();
  });
  show();
  window.exec();
}

}  // namespace mirt
