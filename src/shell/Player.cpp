#include "shell/Player.h"

#include <stdexcept>

#include "common/Encoding.h"
#include "graphics/GraphicsCommands.h"
#include "save/SaveCommands.h"
#include "script/FlowCommands.h"
#include "shell/Menu.h"
#include "sound/SoundCommands.h"
#include "vars/VarsCommands.h"

namespace mirt {

Player::Player(Platform& platform) : platform_(platform) {
  startTick_ = platform_.tickCount();
  textOut_.SetSink(&outlets_);
  message_.SetTextOut(&textOut_);
  historyViewer_.SetTextOut(&textOut_);
  text_.SetTextOut(&textOut_);
  BindCommands();
}

void Player::BindCommands() {
  CommandTable& table = script_.commands();
  RegisterFlowCommands(table, script_, platform_);
  RegisterMathCommands(table, script_, random_);
  RegisterStringCommands(table, script_, platform_);
  RegisterSaveCommands(table, script_, slots_);
  RegisterSoundCommands(table, script_, sound_);
  RegisterPictureCommands(table, stage_);
  RegisterScreenEffectCommands(table, stage_);
  RegisterCursorCommands(table, stage_);
  RegisterTextCommands(table, text_);
  const std::vector<std::string> missing = table.Unbound();
  if (!missing.empty()) throw std::logic_error("commands without a handler: " + missing.front());
}

Player::~Player() = default;

int Player::RunCommand(std::string_view keyword) {
  const int slot = script_.commands().Find(keyword);
  return slot < 0 ? -1 : script_.commands().Run(slot);
}

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
  // Skipping read text hurries it as the held button does.
  if (platform_.leftButtonDown() || skippingRead()) return 0;
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
  view.reading.autoMode = settings_.autoMode();
  view.reading.autoSpeed = settings_.autoSpeed();
  view.reading.skipRead = settings_.skipRead();
  view.reading.classicControls = settings_.classicControls();
  view.reading.saveEnabled = slots_.saveEnabled();
  view.reading.loadEnabled = slots_.loadEnabled();
  return BuildMenuBar(view);
}

void Player::MenuChanged() { platform_.setMenu(MenuBar()); }

void Player::ShowStoryText(const std::string& cp932) {
  message_.DrawText(cp932);
  history_.Append(cp932);
}

bool Player::StoryNewLine() {
  message_.NewLine();
  history_.LineBreak();
  screen_.Repaint();
  return !settings_.pageMode();
}

void Player::StoryReturn() {
  message_.NewLine();
  WaitOrClick(1);
  history_.LineBreak();
}

void Player::StoryPageEnd() {
  screen_.Repaint();
  message_.EndPage();
  history_.PageBreak();
}

}  // namespace mirt
