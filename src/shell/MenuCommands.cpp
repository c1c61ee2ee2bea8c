// The menu's entries.
#include "common/Version.h"
#include "graphics/BmpDecoder.h"
#include "graphics/StripWipe.h"
#include "platform/HostFiles.h"
#include "platform/VolumeDialog.h"
#include "shell/Player.h"

namespace mirt {

void Player::ChooseSpeed(int n) {
  message_.speed().Choose(n, script_.scenario().defs().speeds[n - 1]);
  state().speedIndex = static_cast<uint8_t>(n);
  MenuChanged();
}

void Player::SetFullScreen(bool full) {
  settings_.SetFullScreen(full);
  platform_.setFullScreen(full);
  menuMayHide_ = full;
  if (!full) {
    platform_.setMenuBarVisible(true);
    platform_.centreWindow();
  }
  MenuChanged();
}

void Player::SetWindowScale(int scale) {
  settings_.SetWindowScale(scale);
  platform_.setWindowScale(scale);
  if (!settings_.fullScreen()) platform_.centreWindow();
  MenuChanged();
}

void Player::OpenVolumeDialog() {
  auto dialog = std::make_unique<VolumeDialog>(
      [this](SoundDevice d) -> std::optional<uint32_t> {
        if (!sound_.started()) return std::nullopt;
        return sound_.volume(d);
      },
      [this](SoundDevice d, uint32_t v) { sound_.setVolume(d, v); });
  dialog->FormShow();
  platform_.showVolumeDialog(std::move(dialog));
}

void Player::ReturnToTitle() {
  if (!Question(Sjis("タイトルに戻りますか？"), state().Caption())) return;
  // The speed the reader chose stays in force, as its check mark keeps
  // showing: the reset below would otherwise drop the delay and the stored
  // index while the mark stays, and the next start would lose the choice.
  const int chosenSpeed = state().speedIndex;
  sound().StopAll(state());
  const QImage colour = FadeColourPicture(state().fadeColour);
  StripWipe(text_, colour);
  screen_.window() = colour;
  screen_.Present();
  screen_.FillAll(qRgb(0, 0, 0));
  ResetStory();
  InitStory();
  if (chosenSpeed >= 1 && chosenSpeed <= 5) ChooseSpeed(chosenSpeed);
  message_.SetPageFull(false);
  formClick();
}

void Player::CaptureScreen() {
  auto file = platform_.saveFileDialog(Sjis("画面の保存"),
                                       Sjis("フルカラービットマップファイル（*.bmp）|*.bmp"));
  if (!file) return;
  // While the history viewer is open it is the page it shows that is saved.
  const QImage& source =
      storyState_ == StoryState::History ? historyViewer_.renderedPage() : screen_.layers().screen;
  const std::vector<uint8_t> bmp = EncodeCaptureBmp(source);
  // A file that could not be written is reported instead of claiming success.
  const bool ok = !bmp.empty() && WriteHostFileAtomically(*file, bmp.data(), bmp.size());
  Message(ok ? Sjis("保存完了しました。") : Sjis("画面の保存に失敗しました。"));
}

bool Player::ReadingMenuActivated(const std::string& item) {
  if (item == "TextHook") {
    if (outlets_.textHook())
      outlets_.StopTextHook();
    else
      outlets_.StartTextHook(outlets_.textHookPort());
  } else if (item == "CopyText") {
    outlets_.SetCopyText(!outlets_.copyText());
  } else if (item == "SelfVoicing") {
    outlets_.SetSelfVoicing(!outlets_.selfVoicing());
  } else if (item == "AutoMode") {
    settings_.SetAutoMode(!settings_.autoMode());
    restedAt_ = Now();  // a full delay from now
  } else if (item.size() == 10 && item.compare(0, 9, "AutoSpeed") == 0 && item[9] >= '1' &&
             item[9] <= '3') {
    settings_.SetAutoSpeed(item[9] - '0');
  } else if (item == "SkipRead") {
    if (settings_.skipRead())
      StopSkippingRead();
    else
      settings_.SetSkipRead(true);
  } else if (item == "ClassicControls") {
    settings_.SetClassicControls(!settings_.classicControls());
    controlHeld_ = false;
  } else if (item == "SpeechSettings") {
    if (Speech* speech = outlets_.speech(); speech && speech->available())
      platform_.showSpeechDialog(
          *speech, [this](const SpeechSettings& s) { outlets_.SetSpeechSettings(s); });
  } else {
    return false;
  }
  MenuChanged();
  return true;
}

void Player::menuActivated(const std::string& item) {
  if (ReadingMenuActivated(item) || SaveMenuActivated(item)) return;
  if (item == "N5") {
    RequestClose();
  } else if (item == "N1") {
    ReturnToTitle();
  } else if (item == "SKIP") {
    SkipClick();
  } else if (item == "P1") {
    P1Click();
  } else if (item.size() == 4 && item.compare(0, 3, "vol") == 0 && item[3] >= '1' &&
             item[3] <= '5') {
    ChooseSpeed(item[3] - '0');
  } else if (item == "FullMode" || item == "WindowMode") {
    SetFullScreen(item == "FullMode");
  } else if (item == "N2") {
    CaptureScreen();
  } else if (item == "About1") {
    Message(kVersionCaption);
  } else if (item.size() == 8 && item.compare(0, 7, "SaveDat") == 0 && item[7] >= '0' &&
             item[7] <= '9') {
    // A greyed-out menu (ONSAVE 0) cannot be reached.
    if (slots_.saveEnabled()) SaveSlot(item[7] - '0');
  } else if (item.size() == 8 && item.compare(0, 7, "LoadDat") == 0 && item[7] >= '0' &&
             item[7] <= '9') {
    if (slots_.loadEnabled() && LoadSlot(item[7] - '0')) formClick();
  } else if (item == "volume") {
    OpenVolumeDialog();
  } else if (item.size() == 6 && item.compare(0, 5, "Scale") == 0 && item[5] >= '1' &&
             item[5] <= '3') {
    SetWindowScale(item[5] - '0');
  }
}

}  // namespace mirt
