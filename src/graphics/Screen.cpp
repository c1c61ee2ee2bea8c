#include "graphics/Screen.h"

#include "common/Screen.h"
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

TransitionSurfaces& Screen::transitionSurfaces() {
  if (!surfaces_) surfaces_ = NewTransitionSurfaces();
  return *surfaces_;
}

void Screen::Repaint() {
  window_ = layers_.screen;
  platform_.present(window_);
}

void Screen::Present() { platform_.present(window_); }

void Screen::PresentRect(int x, int y, int w, int h) { platform_.presentRect(window_, x, y, w, h); }

}  // namespace mirt
