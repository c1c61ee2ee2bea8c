// The commands that act on the whole picture: FADEOUT, FLASH, QUIVER and
// DRAW. Arguments are integer arguments; colours are red, green, blue, each
// taken as its low 8 bits.
#include <cstring>

#include "common/Encoding.h"
#include "graphics/CImage.h"
#include "graphics/Composition.h"
#include "graphics/GraphicsCommands.h"
#include "graphics/Screen.h"
#include "graphics/Stage.h"
#include "graphics/Transitions.h"
#include "platform/Platform.h"
#include "script/Arguments.h"
#include "script/CommandTable.h"
#include "script/GameState.h"
#include "script/Scenario.h"
#include "script/StoryHost.h"
#include "script/StringTok.h"

namespace mirt {

namespace {

struct Colour {
  int red, green, blue;
  int32_t Value() const { return red + green * 256 + blue * 65536; }
  QRgb Rgb() const { return qRgb(red, green, blue); }
};

Colour ReadColour(Stage& p) {
  Colour c;
  c.red = p.args().Int() & 0xFF;
  c.green = p.args().Int() & 0xFF;
  c.blue = p.args().Int() & 0xFF;
  return c;
}

QImage SolidPicture(QRgb colour) {
  QImage img(CImage::kWidth, CImage::kHeight, QImage::Format_RGB32);
  img.fill(colour);
  return img;
}

// The layer as a 640x480 RGB32 picture, whatever it was.
QImage AsSurface(const QImage& layer) {
  QImage copy = layer;
  PrepareWindowSurface(copy);
  return copy;
}

// The window picture moved by j pixels (down, or right when !vertical),
// the part pushed out coming back in at the other edge.
void DrawShifted(Stage& p, const QImage& screen, int j, bool vertical) {
  uint8_t* win = reinterpret_cast<uint8_t*>(PrepareWindowSurface(p.screen().window()));
  const qsizetype ws = p.screen().window().bytesPerLine();
  const qsizetype ss = screen.bytesPerLine();
  const uint8_t* src = screen.constBits();
  constexpr int w = CImage::kWidth, h = CImage::kHeight;
  for (int y = 0; y < h; ++y) {
    if (vertical) {
      std::memcpy(win + y * ws, src + ((y - j + h) % h) * ss, size_t(w) * 4);
    } else {
      std::memcpy(win + y * ws + j * 4, src + y * ss, size_t(w - j) * 4);
      std::memcpy(win + y * ws, src + y * ss + (w - j) * 4, size_t(j) * 4);
    }
  }
  p.screen().Present();
}

}  // namespace

int CmdFADEOUT(Stage& p) {
  const Colour c = ReadColour(p);
  int32_t speed = p.args().Int();
  if (speed < 0) speed = 0;
  for (int i = 0; i < kCharacterSlots; ++i)
    if (p.state().charKeep[i] == 0) p.state().charShown[i] = 0;
  p.state().fadeColour = c.Value();
  const QImage colour = SolidPicture(c.Rgb());
  if (TransitionsEnabled(p)) {
    RunTransition(p, 9, speed, colour);
  } else {
    // Without the fade the window still gets the colour at once.
    p.screen().window() = colour;
    p.screen().Present();
  }
  Layers& layers = p.screen().layers();
  for (QImage* layer : {&layers.box, &layers.screen, &layers.scene}) {
    *layer = colour;
    layer->detach();
  }
  TintMessageBox(p);
  std::vector<uint8_t>& bg = layers.background;
  bg.resize(size_t(CImage::kPixels) * 3);
  for (size_t i = 0; i < bg.size(); i += 3) {
    bg[i] = uint8_t(c.blue);
    bg[i + 1] = uint8_t(c.green);
    bg[i + 2] = uint8_t(c.red);
  }
  return 1;
}

int CmdFLASH(Stage& p) {
  const Colour c = ReadColour(p);
  const int32_t count = p.args().Int();
  const int32_t delay = p.args().Int();
  const QImage colour = SolidPicture(c.Rgb());
  const QImage saved = AsSurface(p.screen().window());
  // A closing window ends the blinking: a count in the millions would
  // otherwise keep the program from ending.
  for (int32_t i = 0; i < count && !p.host().closed(); ++i) {
    p.screen().window() = colour;
    p.screen().Present();
    p.host().WaitOrClick(delay);
    p.screen().window() = saved;
    p.screen().Present();
    p.host().WaitOrClick(delay);
  }
  return 1;
}

int CmdQUIVER(Stage& p) {
  const int32_t direction = p.args().Int();
  const int32_t count = p.args().Int();
  const int32_t delay = p.args().Int();
  const QImage screen = AsSurface(p.screen().layers().screen);
  const bool vertical = direction == 1;
  for (int32_t i = 0; i < count && !p.host().closed(); ++i) {  // as FLASH
    for (int j = 0; j <= 18; j += 2) DrawShifted(p, screen, j, vertical);
    for (int j = 20; j >= 2; j -= 2) DrawShifted(p, screen, j, vertical);
    p.host().WaitOrClick(delay);
  }
  p.screen().window() = screen;
  p.screen().Present();
  return 1;
}

int CmdDRAW(Stage& p) {
  const int32_t effect = p.args().Int();
  const int32_t speed = p.args().Int();
  for (int i = 0; i < kCharacterSlots; ++i) p.state().charInScene[i] = 1;
  p.host().SetIndicatorBlinking(false);
  ComposeScene(p, true);
  ShowScene(p, CheckedEffect(p, effect), speed);
  p.state().fadeColour = 0;
  p.host().SetIndicatorBlinking(true);
  return 1;
}

void RegisterScreenEffectCommands(CommandTable& table, Stage& stage) {
  table.Bind(Command::FADEOUT, [&stage] { return CmdFADEOUT(stage); });
  table.Bind(Command::FLASH, [&stage] { return CmdFLASH(stage); });
  table.Bind(Command::QUIVER, [&stage] { return CmdQUIVER(stage); });
  table.Bind(Command::DRAW, [&stage] { return CmdDRAW(stage); });
}

}  // namespace mirt
