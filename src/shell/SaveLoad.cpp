// Saving into a slot and loading one back.
#include <algorithm>
#include <ctime>
#include <memory>

#include "graphics/Composition.h"
#include "graphics/Cursor.h"
#include "graphics/StripWipe.h"
#include "platform/SaveDialogModel.h"
#include "save/GameFiles.h"
#include "save/SlotFile.h"
#include "script/CFile.h"
#include "shell/Player.h"
#include "shell/SavePreview.h"

namespace mirt {
namespace {

std::tm LocalTime(int64_t seconds) {
  const std::time_t now = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace

std::string Player::SaveCaption(int slot) {
  const bool quick = slot == SaveDialogEntry::kQuickSlot;
  std::string caption =
      SaveSlots::FormatCaption(quick ? 0 : slot, LocalTime(platform().wallClockSeconds()),
                               FieldString(state().saveLabel, sizeof state().saveLabel));
  if (quick) caption[0] = 'Q';
  return caption;
}

bool Player::WriteSave(int slot, const std::string& file) {
  // A file that cannot be written leaves the old one whole.
  const bool ok = WriteGameFile(file, SaveBytes(SaveCaption(slot)));
  if (!ok) return false;
  // The picture goes beside it; a save without one still loads. What was
  // read is kept as the save is.
  WritePreview(slot, screen_.layers().screen, PageFirstLine());
  SaveReadingMarks();
  return true;
}

std::string Player::PageFirstLine() const {
  // The history moves on to a new page at a page's end, before the click
  // that clears the box: an empty last page means the page on screen is
  // the one before it.
  const auto& pages = history_.pages();
  for (auto page = pages.rbegin(); page != pages.rend() && page - pages.rbegin() < 2; ++page)
    for (const std::string& line : *page)
      if (!line.empty()) return line;
  return {};
}

std::vector<uint8_t> Player::SaveBytes(const std::string& caption) const {
  std::vector<uint8_t> bytes = EncodeSlotFile(caption, record_.savePoint(), vars_);
  // Before the story's first save point the record holds no story at all,
  // and a save of it could never be loaded: such a save keeps the story's
  // start instead, as the way back took it.
  if (record_.savePoint().ScenarioName().empty() && !rollback_.empty()) {
    const std::vector<uint8_t> head = std::move(bytes);
    bytes = rollback_.oldest().slot;
    std::copy(head.begin(), head.begin() + kSlotCaptionBytes, bytes.begin());
  }
  return bytes;
}

bool Player::SaveSlot(int slot) {
  if (slot < 0 || slot >= SaveSlots::kCount) return false;
  const std::string file = SaveSlots::FileName(slot);
  const bool ok = WriteSave(slot, file);
  TraceEvent("save", JsonObject().Int("slot", slot).Str("file", file).Bool("ok", ok));
  RefreshSlotCaptions();
  if (!ok) Message(Sjis("セーブできませんでした。"));
  return ok;
}

bool Player::quickSaveExists() const { return FileExists(kQuickSaveFile); }

std::string Player::QuickSaveCaption() const {
  const auto head = ReadGameFile(kQuickSaveFile, kSlotCaptionBytes);
  std::string caption = head ? SlotFileCaption(head->data(), head->size()) : std::string();
  return caption.empty() ? Sjis("Q: ---- --/-- --:--:--") : caption;
}

bool Player::QuickSave() {
  // ONSAVE 0 keeps the quick slot shut as it keeps the menu's.
  bool ok = false;
  if (slots_.saveEnabled()) {
    ok = WriteSave(SaveDialogEntry::kQuickSlot, kQuickSaveFile);
    if (ok)
      platform_.showNote(Sjis("クイックセーブしました"), 1000);
    else
      Message(Sjis("セーブできませんでした。"));
  }
  TraceEvent("quicksave", JsonObject().Str("file", kQuickSaveFile).Bool("ok", ok));
  return ok;
}

bool Player::QuickLoad() {
  bool ok = false;
  if (slots_.loadEnabled()) {
    const auto bytes = ReadGameFile(kQuickSaveFile, kSlotFileBytes);
    if (!bytes) {
      platform_.showNote(Sjis("クイックセーブがありません"), 1000);
    } else if (RestoreSave(*bytes)) {
      StartRollbackAfresh();
      platform_.showNote(Sjis("クイックロードしました"), 1000);
      ok = true;
    }
  }
  TraceEvent("quickload", JsonObject().Str("file", kQuickSaveFile).Bool("ok", ok));
  return ok;
}

bool Player::LoadSlot(int slot) {
  if (slot < 0 || slot >= SaveSlots::kCount) return false;
  return LoadSlotFile(SaveSlots::FileName(slot));
}

bool Player::LoadSlotFile(const std::string& name) {
  const auto bytes = ReadGameFile(name, kSlotFileBytes);
  const bool ok = bytes && RestoreSave(*bytes);
  if (ok) StartRollbackAfresh();
  TraceEvent("load", JsonObject().Str("file", name).Bool("ok", ok));
  return ok;
}

bool Player::RestoreSave(const std::vector<uint8_t>& bytes) {
  // The file over a new story's state: what a short file does not reach
  // keeps the values of the reset.
  GameState loaded;
  loaded.ResetForNewStory();
  auto vars = std::make_unique<VariableStore>();
  DecodeSlotFile(bytes.data(), bytes.size(), loaded, *vars);
  // Counts beyond the tables would let new variables be written past them.
  loaded.intCount = std::clamp(loaded.intCount, 0, kIntVarCount);
  loaded.stringCount = std::clamp(loaded.stringCount, 0, kStrVarCount);
  // A slot whose story cannot be opened cannot be restored: the game goes
  // on as it was rather than being reset into a story that is not there.
  if (!script_.scenario().CanOpen(loaded.ScenarioName())) {
    Message(Sjis("シナリオファイルの読みこみに失敗しました。"));
    return false;
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
  return true;
}

}  // namespace mirt
