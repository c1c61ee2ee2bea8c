// What the save dialog shows: the ten slots and the quick slot, each with
// its picture, caption and first line, and what the reader may do there.
#pragma once

#include <QImage>
#include <functional>
#include <string>
#include <vector>

namespace mirt {

struct SaveDialogEntry {
  static constexpr int kQuickSlot = -1;
  int slot = 0;         // 0..9, or kQuickSlot
  std::string caption;  // CP932
  std::string line;     // CP932: the first text line of the saved page, "" when unknown
  QImage picture;       // null for a slot without one
  bool saved = false;   // a save is there to load
};

enum class SaveDialogAction { Save, Load };

struct SaveDialogModel {
  std::vector<SaveDialogEntry> entries;
  bool saveEnabled = true;  // the game's ONSAVE
  bool loadEnabled = true;  // the game's ONLOAD
  // Called once the dialog has closed, with the reader's action and slot.
  std::function<void(SaveDialogAction, int slot)> act;
};

}  // namespace mirt
