// The menu's entries.
#include "graphics/BmpDecoder.h"
#include "platform/HostFiles.h"
#include "shell/Player.h"
#include "shell/Version.h"

namespace mirt {

void Player::ChooseSpeed(int n) {
  for (int i = 1; i <= 5; ++i) Menu("vol" + std::to_string(i))->checked = (i == n);
  charDelay = scenario.defs.speeds[n - 1];
  state.speedIndex = static_cast<uint8_t>(n);
  MenuChanged();
}

void Player::ReturnToTitle() {
  if (!Question(Sjis("タイトルに戻りますか？"), std::string(state.caption))) return;
  layers.FillAll(qRgb(0, 0, 0));
  ResetStory();
  InitStory();
  text.pageFull = 0;
  formClick();
}

void Player::CaptureScreen() {
  auto file = platform.saveFileDialog(Sjis("画面の保存"),
                                      Sjis("フルカラービットマップファイル（*.bmp）|*.bmp"));
  if (!file) return;
  const std::vector<uint8_t> bmp = EncodeCaptureBmp(layers.screen);
  // A file that could not be written is reported instead of claiming success.
  const bool ok = !bmp.empty() && WriteHostFileAtomically(*file, bmp.data(), bmp.size());
  Message(ok ? Sjis("保存完了しました。") : Sjis("画面の保存に失敗しました。"));
}

void Player::menuActivated(const std::string& item) {
  if (item == "N5") {
    RequestClose();
  } else if (item == "N1") {
    ReturnToTitle();
  } else if (item == "SKIP") {
    SkipClick();
  } else if (item == "P1") {
    P1Click();
  } else if (item.size() == 4 && item.compare(0, 3, "vol") == 0 && item[3] >= '1' && item[3] <= '5') {
    ChooseSpeed(item[3] - '0');
  } else if (item == "FullMode" || item == "WindowMode") {
    const bool full = item == "FullMode";
    fullScreen = full;
    platform.setFullScreen(full);
    Menu("FullMode")->checked = full;
    Menu("WindowMode")->checked = !full;
    input.menuMayHide = full;
    if (!full) {
      platform.setMenuBarVisible(true);
      platform.centreWindow();
    }
    MenuChanged();
  } else if (item == "N2") {
    CaptureScreen();
  } else if (item == "About1") {
    Message(kVersionCaption);
  }
  // Save, load, capture and volume entries arrive with their subsystems.
}

}  // namespace mirt
