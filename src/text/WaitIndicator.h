// The pictures of the blinking wait indicator, loaded by NVMODE.
#pragma once

#include <QImage>
#include <string>

namespace mirt {

struct WaitIndicator {
  QImage lineWait;  // icon1.bmp, with its key colour made transparent
  QImage pageWait;  // icon2.bmp
};

// Loads a game file as an indicator picture, the colour of its lower-left
// pixel transparent; a missing or broken file leaves out as it was.
void LoadIndicatorPicture(const std::string& cp932Name, QImage& out);

}  // namespace mirt
