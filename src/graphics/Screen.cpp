#include "graphics/Screen.h"

#include <algorithm>

#include "common/ScreenSize.h"
#include "graphics/Transitions.h"
#include "platform/Platform.h"

namespace mirt {

void Layers::Create() {
  for (QImage* img : {&screen, &box, &scene, &text, &savedWindow})
    *img = QImage(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
  FillAll(qRgb(0, 0, 0));
  if (background.empty()) background.assign(kScreenWidth * kScreenHeight * 3, 0);
}

void Layers::FillAll(QRgb colour) {
  for (QImage* img : {&screen, &box, &scene, &text, &savedWindow}) img->fill(colour);
}

Screen::Screen(Platform& platform) : platform_(platform) {}
Screen::~Screen() = default;

void Screen::Create() {
  layers_.background.assign(size_t(kScreenWidth) * kScreenHeight * 3, 0);
  layers_.Create();
}

void Screen::ClearBackground() {
  std::fill(layers_.background.begin(), layers_.background.end(), 0);
}

TransitionSurfaces& Screen::transitionSurfaces() {
  if (!surfaces_) surfaces_ = NewTransitionSurfaces();
  return *surfaces_;
}

void Screen::ShowSavedWindow() {
  window_ = layers_.savedWindow;
  Present();
}

void Screen::RestoreSavedWindow() {
  layers_.screen = layers_.savedWindow.copy();
  Repaint();
}

void Screen::Repaint() {
  window_ = layers_.screen;
  platform_.present(window_);
}

void Screen::Present() { platform_.present(window_); }

void Screen::PresentRect(int x, int y, int w, int h) { platform_.presentRect(window_, x, y, w, h); }

}  // namespace mirt
