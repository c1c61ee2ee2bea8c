// The menu bar as the window shows it, made from the state it shows: the
// menu keeps nothing of its own.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

namespace mirt {

class SaveSlots;

// What the menu shows besides its fixed captions.
struct MenuView {
  bool fullScreen = false;
  bool pageMode = false;
  int speed = 0;                         // the checked speed entry, 1..5, or 0
  int windowScale = 1;                   // window display's scale, 1..3
  const SaveSlots* saveSlots = nullptr;  // null: no slot saved
};

std::vector<MenuEntry> BuildMenuBar(const MenuView& view);
// The entry of that name anywhere in the bar, or null.
const MenuEntry* FindMenuEntry(const std::vector<MenuEntry>& bar, const std::string& name);

}  // namespace mirt
