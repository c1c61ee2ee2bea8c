// The reader's own entries for saving: the quick slot, the way back and the
// save dialog with the slots' pictures.
#include "platform/SaveDialogModel.h"
#include "script/CFile.h"
#include "shell/Player.h"
#include "shell/SavePreview.h"

namespace mirt {

bool Player::SaveMenuActivated(const std::string& item) {
  // A load or a way back goes on with the story, as the menu's loads do.
  if (item == "QuickSave") {
    QuickSave();
  } else if (item == "QuickLoad") {
    if (QuickLoad()) formClick();
  } else if (item == "Rollback") {
    if (Rollback()) formClick();
  } else if (item == "SaveLoad") {
    OpenSaveDialog();
  } else {
    return false;
  }
  return true;
}

void Player::OpenSaveDialog() {
  SaveDialogModel model;
  model.saveEnabled = slots_.saveEnabled();
  model.loadEnabled = slots_.loadEnabled();
  auto entry = [](int slot, const std::string& file, const std::string& caption) {
    SaveDialogEntry e;
    e.slot = slot;
    e.caption = caption;
    e.saved = FileExists(file);
    // A picture beside a slot that is gone belongs to nothing.
    if (e.saved) {
      if (auto preview = ReadPreview(slot)) {
        e.picture = preview->picture;
        e.line = preview->line;
      }
    }
    return e;
  };
  slots_.RefreshCaptions();
  for (int i = 0; i < SaveSlots::kCount; ++i)
    model.entries.push_back(entry(i, SaveSlots::FileName(i), slots_.caption(i)));
  model.entries.push_back(entry(SaveDialogEntry::kQuickSlot, kQuickSaveFile, QuickSaveCaption()));
  model.act = [this](SaveDialogAction action, int slot) {
    const bool quick = slot == SaveDialogEntry::kQuickSlot;
    if (action == SaveDialogAction::Save) {
      if (quick)
        QuickSave();
      else if (slots_.saveEnabled())
        SaveSlot(slot);
    } else if (quick) {
      if (QuickLoad()) formClick();
    } else if (slots_.loadEnabled() && LoadSlot(slot)) {
      formClick();
    }
  };
  platform_.showSaveDialog(model);
}

}  // namespace mirt
