// Saving into a slot and loading one back.
#include <algorithm>
#include <ctime>
#include <memory>

#include "graphics/Composition.h"
#include "graphics/Cursor.h"
#include "graphics/StripWipe.h"
#include "save/GameFiles.h"
#include "save/SlotFile.h"
#include "shell/Player.h"

namespace mirt {
bool Player::SaveSlot(int slot) {
  if (slot < 0 || slot >= SaveSlots::kCount) return false;
  const std::time_t now = static_cast<std::time_t>(platform().wallClockSeconds());
  std::tm local{};
  localtime_r(&now, &local);
  const std::string caption = SaveSlots::FormatCaption(
      slot, local, FieldString(state().saveLabel, sizeof state().saveLabel));
  const std::string file = SaveSlots::FileName(slot);
  // A file that cannot be written leaves the old one whole, and the reader
  // is told.
  const bool ok = WriteGameFile(file, EncodeSlotFile(caption, record_.savePoint(), vars_));
  TraceEvent("save", JsonObject().Int("slot", slot).Str("file", file).Bool("ok", ok));
  RefreshSlotCaptions();
  if (!ok) Message(Sjis("セーブできませんでした。"));
  if (ok) SaveReadingMarks();  // what was read is kept as the save is
  return ok;
}

bool Player::LoadSlot(int slot) {
  if (slot < 0 || slot >= SaveSlots::kCount) return false;
  return LoadSlotFile(SaveSlots::FileName(slot));
}

bool Player::LoadSlotFile(const std::string& name) {
  auto fail = [&] {
    TraceEvent("load", JsonObject().Str("file", name).Bool("ok", false));
    return false;
  };
  const auto bytes = ReadGameFile(name, kSlotFileBytes);
  if (!bytes) return fail();
  // The file over a new story's state: what a short file does not reach
  // keeps the values of the reset.
  GameState loaded;
  loaded.ResetForNewStory();
  auto vars = std::make_unique<VariableStore>();
  DecodeSlotFile(bytes->data(), bytes->size(), loaded, *vars);
  // Counts beyond the tables would let new variables be written past them.
  loaded.intCount = std::clamp(loaded.intCount, 0, kIntVarCount);
  loaded.stringCount = std::clamp(loaded.stringCount, 0, kStrVarCount);
  // A slot whose story cannot be opened cannot be restored: the game goes
  // on as it was rather than being reset into a story that is not there.
  if (!script_.scenario().CanOpen(loaded.ScenarioName())) {
    Message(Sjis("シナリオファイルの読みこみに失敗しました。"));
    return fail();
  }

  sound().StopAll(state());
  ResetStory();
  record_.Restore(loaded);
  vars_ = *vars;

  // The picture: a wipe to the fade colour, the scene rebuilt from the
  // record, a wipe to the scene.
  StripWipe(text_, FadeColourPicture(state().fadeColour));
  screen_.FillAll(qRgb(0, 0, 0));
  LoadBackground(text_);
  ComposeScene(text_, false);
  StripWipe(text_, screen_.layers().scene);
  TintMessageBox(text_);
  message_.SetTextColour(state().textColour);
  ApplyCursor(text_);
  // The window shows the title the record holds, as TITLE set it.
  if (!state().Caption().empty()) {
    SetCaption(state().Caption());
    platform_.setApplicationTitle(state().Caption());
  }

  const StartupDefinitions& defs = script_.scenario().defs();
  if (state().midiMode != 0) {
    sound().loadMusic(state().MidiName(), defs.midiArchive);
    sound().playMusic(state().midiMode == 2 ? 1 : 0);
  }
  if (state().waveMode == 0) sound().wavePlay(state(), defs.waveArchive, 0);
  if (state().cdMode == 1) sound().cdPlay(state());

  // The page's text is not restored: the box is empty and the story goes on
  // with the line at the saved position.
  message_.SetPageFull(false);
  message_.MovePen(state().textOriginX, state().textOriginY);
  StartTimer2();
  script_.scenario().LoadScenario(state().ScenarioName());
  script_.scenario().SetPosition(static_cast<uint32_t>(state().readPosition));
  TraceEvent("load", JsonObject().Str("file", name).Bool("ok", true));
  return true;
}

}  // namespace mirt
