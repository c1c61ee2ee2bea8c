// Start-up, the story reset, the settings file and the shutdown order.
#include <cstring>

#include "common/LittleEndian.h"
#include "common/Version.h"
#include "platform/HostFiles.h"
#include "script/CFile.h"
#include "shell/Player.h"

namespace mirt {

void Player::FormCreate() {
  startTick_ = platform_.tickCount();
  firstTickClick_ = true;
  message_.SetBlinking(true);
  random_.Seed(static_cast<uint32_t>(platform_.wallClockSeconds()));
  screen_.Create();
  platform_.setApplicationTitle(Sjis("アドベンチャーゲーム製作支援ソフト『Ｍｉｒｔ』　"));
  MenuChanged();
  TraceEvent("start");
  if (!script_.scenario().ReadStartupDefinitions()) Message("init.def");
  sound().start();  // and the start-up volumes
  ResetStory();
  InitStory();
  screen_.FillAll(qRgb(0, 0, 0));
  ReadSettings();
  marks_.Load();
  screen_.layers().screen.fill(qRgb(0, 0, 0));
  screen_.Repaint();
  StartTimer2();
}

bool Player::InitStory() {
  SetCaption(kVersionCaption);
  platform_.setApplicationTitle(kVersionCaption);
  RefreshSlotCaptions();
  message_.MovePen(0, 0);
  message_.speed().SetDelay(50);
  skipMode_ = false;
  choices_.Clear();
  rollback_.Clear();  // the way back starts with the story
  MenuChanged();
  if (!script_.scenario().OpenFirstScenario()) return false;
  GameState& s = state();
  s.historyFontSize = 12;
  s.historyLeft = 0;
  s.historyTop = 0;
  s.historyRight = kScreenWidth;
  s.historyBottom = kScreenHeight;
  s.historyEnabled = 0;
  s.historyTextColour = 0xFFFFFF;
  return true;
}

void Player::ResetStory() {
  state().ResetForNewStory();
  vars_.Reset();
  screen_.ClearBackground();
  // The input starts afresh; a click being handled stays busy, and the
  // indicator's blink keeps its count and phase.
  storyState_ = StoryState::Shown;
  skipMode_ = false;
  choices_.Clear();
  waiting_ = false;
  menuHidden_ = false;
  menuMayHide_ = true;
  message_.ResetBlink();
  MenuChanged();
}

void Player::RefreshSlotCaptions() {
  slots_.RefreshCaptions();
  MenuChanged();
}

void Player::ReadSettings() {
  CFile f;
  if (!f.Open("mirt.ini", CFile::kExisting)) {
    platform_.centreWindow();
    return;
  }
  uint8_t bytes[20];
  const uint32_t got = f.Read(bytes, 20);
  auto field = [&](int i, int32_t fallback) {
    if (got < static_cast<uint32_t>(i * 4 + 4)) return fallback;  // a short file keeps defaults
    return ReadLe32s(bytes + i * 4);
  };
  int32_t full = field(0, 0), page = field(1, 0);
  int32_t top = field(2, platform_.windowTop()), left = field(3, platform_.windowLeft());
  int32_t speed = field(4, 0);
  platform_.moveWindow(left, top);
  if (page == 1) {
    settings_.SetPageMode(true);
    MenuChanged();
  }
  if (speed >= 1 && speed <= 5) ChooseSpeed(speed);
  f.Close();
  if (full == 1) menuActivated("FullMode");
}

void Player::WriteSettings() {
  int32_t v[5] = {settings_.fullScreen() ? 1 : 0, settings_.pageMode() ? 1 : 0,
                  platform_.windowTop(), platform_.windowLeft(), state().speedIndex};
  if (!WriteFileAtomically("mirt.ini", v, sizeof v)) Message(Sjis("設定を保存できませんでした。"));
}

void Player::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  TraceEvent("exit");
  StopTimer2();
  WriteSettings();
  SaveReadingMarks();
  if (settings_.fullScreen()) platform_.setFullScreen(false);
  sound().shutdown(state());  // the start-up volumes go back
}

}  // namespace mirt
