// Start-up, the story reset, the settings file and the shutdown order.
#include <cstring>
#include <ctime>

#include "platform/HostFiles.h"
#include "script/CFile.h"
#include "shell/Player.h"
#include "shell/Version.h"

namespace mirt {

void Player::FormCreate() {
  startTick_ = platform.tickCount();
  layers.background.assign(kScreenWidth * kScreenHeight * 3, 0);
  firstTickClick = true;
  blinking = true;
  randomSeed = static_cast<uint32_t>(std::time(nullptr));
  layers.Create();
  platform.setApplicationTitle(Sjis("アドベンチャーゲーム製作支援ソフト『Ｍｉｒｔ』　"));
  MenuChanged();
  TraceEvent("start");
  if (!scenario.ReadStartupDefinitions()) Message("init.def");
  sound().start();  // and the start-up volumes
  commands.Build();
  ResetStory();
  InitStory();
  layers.FillAll(qRgb(0, 0, 0));
  ReadSettings();
  layers.screen.fill(qRgb(0, 0, 0));
  Repaint();
  StartTimer2();
}

bool Player::InitStory() {
  SetCaption(kVersionCaption);
  platform.setApplicationTitle(kVersionCaption);
  RefreshSlotCaptions();
  text.penX = 0;
  text.penY = 0;
  charDelay = 50;
  input.skipMode = false;
  input.choicePending = false;
  if (MenuEntry* skip = Menu("SKIP")) skip->enabled = true;
  MenuChanged();
  if (!scenario.OpenFirstScenario()) return false;
  state.historyFontSize = 12;
  state.historyLeft = 0;
  state.historyTop = 0;
  state.historyRight = kScreenWidth;
  state.historyBottom = kScreenHeight;
  state.historyEnabled = 0;
  state.historyTextColour = 0xFFFFFF;
  return true;
}

void Player::ResetStory() {
  state.Clear();
  vars.Reset();
  std::fill(layers.background.begin(), layers.background.end(), 0);
  CopyField(state.fontName, sizeof state.fontName, Sjis("ＭＳ 明朝"));
  state.waveMode = -1;
  state.cdMode = -1;
  bool busy = input.clickBusy;
  int32_t counter = input.blinkCounter;
  bool phase = input.blinkPhase;
  input = InputState();
  input.clickBusy = busy;
  input.blinkCounter = counter;
  input.blinkPhase = phase;
  blinking = true;
  if (MenuEntry* skip = Menu("SKIP")) skip->enabled = true;
  MenuChanged();
}

void Player::RefreshSlotCaptions() {
  for (int i = 0; i < 10; ++i) {
    CFile f;
    if (!f.Open("data_" + std::to_string(i) + ".dat", CFile::kExisting)) continue;
    char caption[256] = {};
    f.Read(caption, sizeof caption);
    const std::string c = FieldString(caption, sizeof caption);
    if (MenuEntry* s = Menu("SaveDat" + std::to_string(i))) s->caption = c;
    if (MenuEntry* l = Menu("LoadDat" + std::to_string(i))) l->caption = c;
  }
  MenuChanged();
}

void Player::ReadSettings() {
  CFile f;
  if (!f.Open("mirt.ini", CFile::kExisting)) {
    platform.centreWindow();
    return;
  }
  uint8_t bytes[20];
  uint32_t got = f.Read(bytes, 20);
  auto field = [&](int i, int32_t fallback) {
    if (got < static_cast<uint32_t>(i * 4 + 4)) return fallback;  // a short file keeps defaults
    int32_t v;
    std::memcpy(&v, bytes + i * 4, 4);
    return v;
  };
  int32_t full = field(0, 0), page = field(1, 0);
  int32_t top = field(2, platform.windowTop()), left = field(3, platform.windowLeft());
  int32_t speed = field(4, 0);
  platform.moveWindow(left, top);
  if (page == 1) {
    Menu("P1")->checked = true;
    MenuChanged();
  }
  if (speed >= 1 && speed <= 5) ChooseSpeed(speed);
  f.Close();
  if (full == 1) menuActivated("FullMode");
}

void Player::WriteSettings() {
  int32_t v[5] = {Menu("FullMode")->checked ? 1 : 0, Menu("P1")->checked ? 1 : 0,
                  platform.windowTop(), platform.windowLeft(), state.speedIndex};
  WriteFileAtomically("mirt.ini", v, sizeof v);
}

void Player::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  TraceEvent("exit");
  StopTimer2();
  WriteSettings();
  if (fullScreen) platform.setFullScreen(false);
  sound().shutdown(state);  // the start-up volumes go back
}

}  // namespace mirt
