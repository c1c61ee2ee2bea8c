#include "shell/Player.h"

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

}  // namespace mirt
