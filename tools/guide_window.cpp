// guide_window PICTURE OUT_DIR: the window's own widgets for the player's
// guide, drawn on Qt's offscreen platform (no display needed): the main
// window with its menu bar over PICTURE (a screenshot of the headless run),
// the same window at twice the size, the 設定 menu and its 解像度の変更
// submenu opened, and the volume window.
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/VolumeDialog.h"
#include "platform/qt/QtPlatform.h"
#include "platform/qt/VolumeWindow.h"
#include "shell/Menu.h"

namespace {

bool Save(QWidget* w, const std::string& path) {
  QApplication::processEvents();
  if (!w->grab().save(QString::fromStdString(path), "PNG")) {
    std::fprintf(stderr, "guide_window: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

QMenu* MenuTitled(const QList<QAction*>& actions, const QString& prefix) {
  for (QAction* a : actions)
    if (a->menu() && a->text().startsWith(prefix)) return a->menu();
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: guide_window PICTURE OUT_DIR\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const QImage picture(QString::fromLocal8Bit(argv[1]));
  if (picture.isNull()) {
    std::fprintf(stderr, "guide_window: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::string out = std::string(argv[2]) + "/";

  mirt::QtPlatform platform(1);
  mirt::MenuView view;
  view.speed = 3;
  platform.setMenu(mirt::BuildMenuBar(view));
  platform.present(picture);
  QMainWindow* window = platform.mainWindow();
  bool ok = Save(window, out + "window.png");

  // The settings menu with the display submenu open beside it.
  QMenuBar* bar = window->menuBar();
  QMenu* config = MenuTitled(bar->actions(), QString::fromUtf8("設定"));
  QMenu* display = config ? MenuTitled(config->actions(), QString::fromUtf8("解像度")) : nullptr;
  if (!config || !display) {
    std::fprintf(stderr, "guide_window: no settings menu\n");
    return 1;
  }
  ok &= Save(config, out + "menu-settings.png");
  ok &= Save(display, out + "menu-display.png");

  // The volume window over devices at full, seven tenths and muted-to-be.
  mirt::VolumeDialog dialog(
      [](mirt::SoundDevice d) -> std::optional<uint32_t> {
        return d == mirt::SoundDevice::Midi ? mirt::SliderToVolume(7) : mirt::SliderToVolume(10);
      },
      [](mirt::SoundDevice, uint32_t) {});
  dialog.FormShow();
  dialog.MuteClick(mirt::SoundDevice::Cd);
  QTimer::singleShot(0, [&] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      ok &= Save(w, out + "volume.png");
      w->close();
    }
  });
  mirt::RunVolumeWindow(dialog, window);

  view.windowScale = 2;
  platform.setMenu(mirt::BuildMenuBar(view));
  platform.setWindowScale(2);
  platform.present(picture);
  ok &= Save(window, out + "window-2x.png");
  return ok ? 0 : 1;
}
