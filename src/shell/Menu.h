// The menu bar as the window shows it, made from the state it shows: the
// menu keeps nothing of its own.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

namespace mirt {

class SaveSlots;

// The reader's own menu "読書(&R)": its check marks, and whether speech is
// there (why not, UTF-8, for the tooltip).
struct ReadingMenuView {
  bool textHook = false;
  bool copyText = false;
  bool selfVoicing = false;
  std::string speechMissing;  // "" when speech is there
  bool autoMode = false;
  int autoSpeed = 2;  // 1..3, fast to slow
  bool skipRead = false;
  bool classicControls = false;
  bool saveEnabled = true;  // the game's ONSAVE and ONLOAD, for the quick slot
  bool loadEnabled = true;
};

// What the menu shows besides its fixed captions.
struct MenuView {
  bool fullScreen = false;
  bool pageMode = false;
  int speed = 0;                         // the checked speed entry, 1..5, or 0
  int windowScale = 1;                   // window display's scale, 1..3
  const SaveSlots* saveSlots = nullptr;  // null: no slot saved
  ReadingMenuView reading;
};

std::vector<MenuEntry> BuildMenuBar(const MenuView& view);
// The entry of that name anywhere in the bar, or null.
const MenuEntry* FindMenuEntry(const std::vector<MenuEntry>& bar, const std::string& name);
// Whether an item of that name is one the menu bar can hold (with the
// reading menu's items that other parts of the program add).
bool IsMenuItemName(const std::string& name);

}  // namespace mirt
