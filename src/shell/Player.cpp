#include "shell/Player.h"

#include <functional>

#include "platform/Encoding.h"

namespace mirt {

std::string Sjis(const char* utf8) { return utf8ToCp932(utf8); }

Player::Player(Platform& platform_) : platform(platform_), scenario(*this), text(*this) {
  startTick_ = platform.tickCount();
  BuildMenu();
}

Player::~Player() = default;

uint32_t Player::Now() { return platform.tickCount() - startTick_; }

void Player::TraceEvent(const char* ev, const JsonObject& fields) {
  trace.Event(Now(), ev, fields);
}

void Player::Message(const std::string& cp932) {
  TraceEvent("message", JsonObject().Str("text", cp932));
  platform.messageBox(cp932);
}

bool Player::Question(const std::string& cp932, const std::string& title) {
  bool yes = platform.question(cp932, title);
  TraceEvent("question", JsonObject().Str("text", cp932).Utf8("answer", yes ? "yes" : "no"));
  return yes;
}

void Player::RequestClose() {
  if (closeRequested_) return;
  closeRequested_ = true;
  platform.requestClose();
}

void Player::closeRequested() { RequestClose(); }

void Player::SetCaption(const std::string& cp932) {
  CopyField(state.caption, sizeof state.caption, cp932);
  platform.setCaption(cp932);
  TraceEvent("caption", JsonObject().Str("text", cp932));
}

void Player::Repaint() {
  windowImage = layers.screen;
  platform.present(windowImage);
}

void Player::PresentWindow() { platform.present(windowImage); }

void Player::StartTimer2() { platform.setTimer2(true); }
void Player::StopTimer2() { platform.setTimer2(false); }

int Player::WaitOrClick(int ms) {
  if (platform.leftButtonDown()) return 0;
  if (ms < 1) ms = 1;
  input.waiting = true;
  bool ranOut = platform.sleepUnlessLeftDown(static_cast<uint32_t>(ms));
  input.waiting = false;
  return ranOut ? 1 : 0;
}

bool Player::PumpMessages() {
  if (!platform.pumpOneMessage()) return false;
  return platform.windowExists() && !closeRequested_;
}

// ---- menu -----------------------------------------------------------------

namespace {

MenuEntry Item(const std::string& name, const char* captionUtf8, bool checked = false) {
  MenuEntry e;
  e.name = name;
  e.caption = Sjis(captionUtf8);
  e.checked = checked;
  return e;
}

MenuEntry* FindIn(std::vector<MenuEntry>& list, const std::string& name) {
  for (MenuEntry& e : list) {
    if (e.name == name) return &e;
    if (MenuEntry* c = FindIn(e.children, name)) return c;
  }
  return nullptr;
}

}  // namespace

void Player::BuildMenu() {
  menuBar.clear();
  MenuEntry file = Item("File", "ファイル(&F)");
  MenuEntry save = Item("Save", "セーブ");
  MenuEntry load = Item("Load", "ロード");
  for (int i = 0; i < 10; ++i) {
    std::string caption = std::to_string(i) + ": ---- --/-- --:--:--";
    MenuEntry s = Item("SaveDat" + std::to_string(i), "");
    s.caption = caption;
    MenuEntry l = Item("LoadDat" + std::to_string(i), "");
    l.caption = caption;
    save.children.push_back(s);
    load.children.push_back(l);
  }
  file.children.push_back(save);
  file.children.push_back(load);
  file.children.push_back(Item("N2", "画面の保存"));
  file.children.push_back(Item("N4", "-"));
  MenuEntry exit = Item("Exit1", "終了");
  exit.children.push_back(Item("N1", "タイトルに戻る"));
  exit.children.push_back(Item("N5", "ゲームを終了する"));
  file.children.push_back(exit);
  menuBar.push_back(file);

  menuBar.push_back(Item("SKIP", "次の選択肢まで進む(&S)"));

  MenuEntry config = Item("Config", "設定(&C)");
  MenuEntry display = Item("DisplayMode", "解像度の変更(&D)");
  display.children.push_back(Item("FullMode", "フルスクリーン表示"));
  display.children.push_back(Item("WindowMode", "ウィンドウ表示", true));
  config.children.push_back(display);
  MenuEntry speed = Item("MESSAGE1", "メッセージスピードの変更(&M)");
  const char* speeds[5] = {"速い", "やや速い", "標準", "やや遅い", "遅い"};
  for (int i = 0; i < 5; ++i) speed.children.push_back(Item("vol" + std::to_string(i + 1), speeds[i], i == 2));
  config.children.push_back(speed);
  config.children.push_back(Item("P1", "テキストをページ単位で表示する(&P)"));
  config.children.push_back(Item("volume", "音量設定(&V)"));
  MenuEntry top = Item("N3", "常に手前で表示", true);
  top.visible = false;
  config.children.push_back(top);
  menuBar.push_back(config);

  MenuEntry help = Item("Help", "ヘルプ(&H)");
  help.children.push_back(Item("About1", "バージョン情報"));
  menuBar.push_back(help);
}

MenuEntry* Player::Menu(const std::string& name) { return FindIn(menuBar, name); }

void Player::MenuChanged() { platform.setMenu(menuBar); }

bool Player::PageMode() {
  MenuEntry* p1 = Menu("P1");
  return p1 && p1->checked;
}

}  // namespace mirt
