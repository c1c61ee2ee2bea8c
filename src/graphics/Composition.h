// How a frame is built from its layers: the scene (background and
// characters), the translucent message box and the text.
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <string>
#include <vector>

namespace mirt {

class Stage;

// Rebuilds SceneImage from BackgroundBuffer and the shown, in-scene
// character slots. With restoreBoxArea the window first gets the box
// rectangle of the previous scene, so a transition starts without box/text.
void ComposeScene(Stage& p, bool restoreBoxArea);
// BoxImage := ScreenImage with every pixel tinted towards the box colour by
// the opacity; the box rectangle of it goes back onto ScreenImage.
void TintMessageBox(Stage& p, int opacity, int red, int green, int blue);
// The same with the box colour and opacity the state holds.
void TintMessageBox(Stage& p);
// ScreenImage := SceneImage with the box tinted over it.
void RetintBox(Stage& p);
// ScreenImage := scene, tinted box, text; then repainted to the window.
void PresentFrame(Stage& p);
// Background and the characters marked show-while-box-hidden, straight
// into the window; the layers stay as they are.
void ShowSceneWithoutBox(Stage& p);
// One character slot (modes other than 2) into a 640x480 24-bit bottom-up
// pixel buffer.
void DrawSprite(Stage& p, int slot, std::vector<uint8_t>& rows);
// A mask-mode picture (image left half, mask right half) into such a buffer.
void DrawMaskedSprite(Stage& p, const std::string& cp932Name, int x, int y,
                      std::vector<uint8_t>& rows);
// Loads the background named in the state into BackgroundBuffer (black
// when it cannot be loaded).
void LoadBackground(Stage& p);
// A picture for the screen (archive first, then a plain file) through the
// player's picture cache, as RGB32 (null when the file holds no picture of
// a known kind); a decoder's message is shown. False when nothing of that
// name exists.
bool LoadGamePicture(Stage& p, const std::string& cp932Name, QImage& out);
// A 640x480 24-bit bottom-up buffer as an RGB32 picture.
void RowsToImage(const std::vector<uint8_t>& rows, QImage& image);
// The message box rectangle cut to the screen (empty when nothing of it
// is on the screen).
QRect MessageBoxRect(const Stage& p);
// Transitions run only with page mode off and skip mode off.
bool TransitionsEnabled(Stage& p);
// Effect numbers outside 0..20 are refused with a message and act as 0.
int32_t CheckedEffect(Stage& p, int32_t effect);
// SceneImage onto the window, through the effect when transitions are on,
// then the finished frame.
void ShowScene(Stage& p, int32_t effect, int32_t speed);

}  // namespace mirt
