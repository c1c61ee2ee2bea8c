#include "graphics/Cursor.h"

#include <cstring>

#include "common/Encoding.h"
#include "graphics/GraphicsCommands.h"
#include "graphics/Screen.h"
#include "graphics/Stage.h"
#include "platform/Platform.h"
#include "script/Arguments.h"
#include "script/CFile.h"
#include "script/CommandTable.h"
#include "script/GameState.h"
#include "script/Scenario.h"
#include "script/StoryHost.h"
#include "script/StringTok.h"

namespace mirt {

QImage CursorFrameImage(const CursorFrame& frame) {
  if (!frame.png.empty()) {
    QImage img = QImage::fromData(frame.png.data(), int(frame.png.size()), "PNG");
    if (img.isNull()) return QImage();
    return img.convertToFormat(QImage::Format_ARGB32);
  }
  if (frame.width <= 0 || frame.height <= 0 ||
      frame.argb.size() != size_t(frame.width) * size_t(frame.height))
    return QImage();
  QImage img(frame.width, frame.height, QImage::Format_ARGB32);
  for (int y = 0; y < frame.height; ++y)
    std::memcpy(img.scanLine(y), frame.argb.data() + size_t(y) * frame.width,
                size_t(frame.width) * 4);
  return img;
}

bool ShowCursorFile(Stage& p, const std::string& cp932Name) {
  std::optional<CursorFile> cursor;
  if (auto bytes = ReadWholeFile(cp932Name)) cursor = ParseCursorFile(bytes->data(), bytes->size());
  if (!cursor) {
    p.platform().setCursor(QImage(), 0, 0);
    return false;
  }
  std::vector<QImage> images;
  for (const CursorFrame& f : cursor->frames) images.push_back(CursorFrameImage(f));
  if (cursor->animated()) {
    // The steps whose frames decode; the arrow when none does.
    std::vector<Platform::CursorStep> steps;
    for (const CursorStep& s : cursor->steps) {
      const CursorFrame& f = cursor->frames[s.frame];
      if (!images[s.frame].isNull()) steps.push_back({&images[s.frame], f.hotX, f.hotY, s.ms});
    }
    if (steps.empty()) {
      p.platform().setCursor(QImage(), 0, 0);
      return false;
    }
    p.platform().setAnimatedCursor(steps);
    return true;
  }
  const CursorFrame& f = cursor->frames[0];
  p.platform().setCursor(images[0], images[0].isNull() ? 0 : f.hotX,
                         images[0].isNull() ? 0 : f.hotY);
  return !images[0].isNull();
}

void ApplyCursor(Stage& p) {
  if (p.state().customCursor != 1) return;
  ShowCursorFile(p, FieldString(p.state().cursorName, sizeof p.state().cursorName));
}

int CmdSETCURSOR(Stage& p) {
  std::string name;
  name = p.args().String();
  GameState& s = p.state();
  // The state keeps the name for a saved game to show the same cursor; a
  // name longer than its field could name another file when read back, so
  // it is refused: the arrow, and no custom cursor in the state.
  if (name.size() >= sizeof s.cursorName) {
    p.platform().setCursor(QImage(), 0, 0);
    s.customCursor = 0;
    CopyField(s.cursorName, sizeof s.cursorName, "");
    return 1;
  }
  ShowCursorFile(p, name);
  s.customCursor = 1;
  CopyField(s.cursorName, sizeof s.cursorName, name);
  return 1;
}

void RegisterCursorCommands(CommandTable& table, Stage& stage) {
  table.Bind(Command::SETCURSOR, [&stage] { return CmdSETCURSOR(stage); });
}

}  // namespace mirt
