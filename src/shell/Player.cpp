#include "shell/Player.h"

#include "platform/Encoding.h"
#include "shell/Menu.h"

namespace mirt {

std::string Sjis(const char* utf8) { return utf8ToCp932(utf8); }

Player::Player(Platform& platform)
    : platform_(platform), script_(*this), message_(*this), screen_(platform) {
  startTick_ = platform_.tickCount();
  textOut_.SetSink(&outlets_);
}

Player::~Player() = default;

uint32_t Player::Now() { return platform_.tickCount() - startTick_; }

void Player::TraceEvent(const char* ev, const JsonObject& fields) {
  trace_.Event(Now(), ev, fields);
}

void Player::Message(const std::string& cp932) {
  TraceEvent("message", JsonObject().Str("text", cp932));
  platform_.messageBox(cp932);
}

bool Player::Question(const std::string& cp932, const std::string& title) {
  bool yes = platform_.question(cp932, title);
  TraceEvent("question", JsonObject().Str("text", cp932).Utf8("answer", yes ? "yes" : "no"));
  return yes;
}

void Player::RequestClose() {
  if (closeRequested_) return;
  closeRequested_ = true;
  platform_.requestClose();
}

void Player::closeRequested() { RequestClose(); }

void Player::SetCaption(const std::string& cp932) {
  state().SetCaption(cp932);
  platform_.setCaption(cp932);
  TraceEvent("caption", JsonObject().Str("text", cp932));
}

void Player::StartTimer2() { platform_.setTimer2(true); }
void Player::StopTimer2() { platform_.setTimer2(false); }

int Player::WaitOrClick(int ms) {
  // The pause counts from its call: the events handled while the button is
  // looked at (a scaled window paints its last picture there) are part of it.
  const uint32_t start = platform_.tickCount();
  if (platform_.leftButtonDown()) return 0;
  ms -= int(platform_.tickCount() - start);
  if (ms < 1) ms = 1;
  waiting_ = true;
  bool ranOut = platform_.sleepUnlessLeftDown(static_cast<uint32_t>(ms));
  waiting_ = false;
  return ranOut ? 1 : 0;
}

bool Player::PumpMessages() {
  if (!platform_.pumpOneMessage()) return false;
  return platform_.windowExists() && !closeRequested_;
}

std::vector<MenuEntry> Player::MenuBar() const {
  MenuView view;
  view.fullScreen = settings_.fullScreen();
  view.pageMode = settings_.pageMode();
  view.speed = message_.speed().chosen();
  view.windowScale = settings_.windowScale();
  view.saveSlots = &slots_;
  view.reading.textHook = outlets_.textHook();
  view.reading.copyText = outlets_.copyText();
  view.reading.selfVoicing = outlets_.selfVoicing();
  view.reading.speechMissing = outlets_.speechUnavailableReason();
  return BuildMenuBar(view);
}

void Player::MenuChanged() { platform_.setMenu(MenuBar()); }

}  // namespace mirt
