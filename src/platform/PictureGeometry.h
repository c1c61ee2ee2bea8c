// Where the 640 x 480 picture sits in the window and how it is drawn there:
// at 1, 2 or 3 times its size in window display, as large as the screen
// allows (keeping 4:3, centred, black around it) in full screen. Both take
// the screen's device pixel ratio into account, so a high-density screen
// does not show the picture at half size.
//
// A whole-number scale in device pixels is drawn with nearest-neighbour
// pixels; any other with the chosen filter. Pointer positions in the
// window map back to the picture's own pixels, so that what lies under the
// pointer is the same at every scale.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class QImage;

namespace mirt {

enum class ScaleFilter { Nearest, Smooth };

// "nearest" or "smooth"; false for anything else.
bool ParseScaleFilter(const std::string& text, ScaleFilter* out);
const char* ScaleFilterName(ScaleFilter f);

constexpr int kMinWindowScale = 1;
constexpr int kMaxWindowScale = 3;

struct PictureGeometry {
  // The picture's rectangle in the widget, in device-independent pixels.
  double left = 0, top = 0, width = 640, height = 480;
  // The same rectangle in device pixels (what is actually filled).
  int deviceLeft = 0, deviceTop = 0, deviceWidth = 640, deviceHeight = 480;
  bool smooth = false;

  // The picture pixel under a widget position (device-independent pixels).
  // Positions beside the picture give columns or rows outside 0..639 /
  // 0..479, never a pixel of its edge.
  int ClientX(double x) const;
  int ClientY(double y) const;
  // The widget position of a picture pixel's top-left corner.
  double WidgetX(int clientX) const { return left + clientX * width / 640.0; }
  double WidgetY(int clientY) const { return top + clientY * height / 480.0; }
};

// Window display: the picture scaled by `scale` (clamped to 1..3) fills the
// widget exactly; the widget is 640 x scale by 480 x scale.
PictureGeometry WindowGeometry(int scale, double devicePixelRatio, ScaleFilter filter);
// Full screen: the largest 4:3 rectangle in a widget of areaWidth x
// areaHeight device-independent pixels, centred.
PictureGeometry FullScreenGeometry(int areaWidth, int areaHeight, double devicePixelRatio,
                                   ScaleFilter filter);

// Scales the 640 x 480 picture (32-bit) into `frame`, a 32-bit image in
// device pixels, at the geometry's device rectangle; only the frame pixels
// inside `clip` (device pixels, x, y, width, height) are written, and
// nothing outside the picture's rectangle. Nearest-neighbour pixels take
// the picture pixel that ClientX/ClientY name for their top-left corner;
// the smooth filter is bilinear about pixel centres.
void ScalePicture(const QImage& picture, QImage& frame, const PictureGeometry& g, int clipX,
                  int clipY, int clipWidth, int clipHeight);

// ScalePicture for a window that presents again and again: the column
// tables are kept while the geometry stays, and a large rectangle's rows
// are shared with one helper thread (started at the first such rectangle,
// ended with the scaler). The pixels are exactly ScalePicture's. One
// thread uses a scaler at a time.
class PictureScaler {
 public:
  PictureScaler();
  ~PictureScaler();
  PictureScaler(const PictureScaler&) = delete;
  PictureScaler& operator=(const PictureScaler&) = delete;

  void Scale(const QImage& picture, QImage& frame, const PictureGeometry& g, int clipX, int clipY,
             int clipWidth, int clipHeight);
  // Rectangles of fewer frame pixels are scaled on the calling thread only.
  void SetShareThreshold(int64_t pixels);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Fills the frame pixels inside `clip` that lie outside the picture's
// rectangle with black (the bars in full screen).
void FillOutsidePicture(QImage& frame, const PictureGeometry& g, int clipX, int clipY,
                        int clipWidth, int clipHeight);

// The smallest rectangle (x, y, w, h) of the pictures holding every pixel
// in which `after` differs from `before`; all of `after` when their sizes
// or formats differ. False when nothing differs.
bool ChangedArea(const QImage& before, const QImage& after, int* x, int* y, int* w, int* h);

// The frame rectangle (device pixels) that depends on the picture's
// rectangle (x, y, w, h); for the smooth filter one pixel wider all round.
void DeviceRectFor(const PictureGeometry& g, int x, int y, int w, int h, int* dx, int* dy, int* dw,
                   int* dh);

}  // namespace mirt
