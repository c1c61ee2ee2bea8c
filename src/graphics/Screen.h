// The screen: the five 640 x 480 layers, the background buffer, the picture
// the window shows, the decoded-picture cache and the transitions' working
// surfaces. The composition, transition and effect code in graphics/ draws
// on these; everything else asks the screen to repaint or present.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/PictureCache.h"

namespace mirt {

class Platform;
struct TransitionSurfaces;  // graphics/Transitions.h

// The five screen layers and the current background.
struct Layers {
  QImage screen;                    // ScreenImage: what the story shows
  QImage box;                       // BoxImage: the screen with the message box tinted
  QImage scene;                     // SceneImage: background and characters only
  QImage text;                      // TextImage: the page's text on its key colour
  QImage savedWindow;               // SavedWindowImage: snapshot while the box is hidden
  std::vector<uint8_t> background;  // BackgroundBuffer, 24-bit bottom-up
  void Create();
  void FillAll(QRgb colour);
};

class Screen {
 public:
  explicit Screen(Platform& platform);
  ~Screen();
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  // Makes the five layers and a black background.
  void Create();
  // Every layer in one colour (the background stays).
  void FillAll(QRgb colour) { layers_.FillAll(colour); }
  void ClearBackground();

  Layers& layers() { return layers_; }
  const Layers& layers() const { return layers_; }
  // What the window shows; effects draw into it and present it.
  QImage& window() { return window_; }
  const QImage& window() const { return window_; }
  PictureCache& pictures() { return pictures_; }
  // The pixel transitions' working pictures, kept from one to the next.
  TransitionSurfaces& transitionSurfaces();

  // While the message box is hidden: the window as it was is kept in
  // SavedWindowImage, and comes back as the window's picture, or as the
  // screen too.
  void SaveWindow() { layers_.savedWindow = window_.copy(); }
  void ShowSavedWindow();
  void RestoreSavedWindow();
  // ScreenImage becomes the window's picture and is shown.
  void Repaint();
  // The window's picture as it is, whole or one rectangle of it.
  void Present();
  void PresentRect(int x, int y, int w, int h);

 private:
  Platform& platform_;
  Layers layers_;
  QImage window_;
  PictureCache pictures_;
  std::unique_ptr<TransitionSurfaces> surfaces_;
};

}  // namespace mirt
