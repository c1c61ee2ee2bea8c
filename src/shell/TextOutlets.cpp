#include "shell/TextOutlets.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>

#include "common/Encoding.h"
#include "platform/Platform.h"
#include "platform/TextHookServer.h"
#include "shell/Trace.h"

namespace mirt {

TextOutlets::TextOutlets(Platform& platform, TraceFn trace, MessageFn message)
    : platform_(platform),
      trace_(std::move(trace)),
      message_(std::move(message)),
      port_(TextHookServer::kDefaultPort) {}

TextOutlets::~TextOutlets() = default;

bool TextOutlets::StartTextHook(uint16_t port) {
  port_ = port;
  if (hook_ && hook_->port() == port) return true;
  auto server = std::make_unique<TextHookServer>();
  if (!server->Listen(port)) {
    hookError_ = "テキストを外部へ送れません: 127.0.0.1 のポート " + std::to_string(port) +
                 " を使えません（" + server->errorString() +
                 "）。ほかのプログラムが使っていないか確かめてください。";
    message_(utf8ToCp932(hookError_));
    return false;
  }
  hookError_.clear();
  hook_ = std::move(server);
  port_ = hook_->port();  // the one the system gave for port 0
  platform_.setNetworkActive(true);
  // A client that connects at once gets the line on screen.
  if (!current_.empty()) hook_->Send(QString::fromStdString(cp932ToUtf8(current_)));
  return true;
}

void TextOutlets::StopTextHook() {
  hook_.reset();
  platform_.setNetworkActive(false);
}

void TextOutlets::OpenSpeech() {
  if (speech_) return;
  speech_ = std::make_unique<Speech>();
  speech_->Apply(speechSettings_);
  if (!speech_->available()) selfVoicing_ = false;
}

void TextOutlets::SetSelfVoicing(bool on) {
  if (on && speechEngine_) OpenSpeech();
  selfVoicing_ = on && speechAvailable();
  if (!selfVoicing_ && speech_) speech_->Stop();
}

void TextOutlets::SetSpeechSettings(const SpeechSettings& s) {
  speechSettings_ = s;
  if (speech_) {
    speech_->Apply(s);
    speechSettings_ = speech_->settings();
  }
}

void TextOutlets::Speak(const std::string& cp932, bool interrupt) {
  if (!selfVoicing_) return;
  const std::string utf8 = cp932ToUtf8(cp932);
  trace_("speak", JsonObject().Utf8("text", utf8));
  if (speech_) speech_->Say(QString::fromStdString(utf8), interrupt);
}

void TextOutlets::textShown(ShownText kind, const std::string& cp932) {
  const bool line = kind == ShownText::Line || kind == ShownText::Choices;
  if (line) {
    current_ = cp932;
    const std::string utf8 = cp932ToUtf8(cp932);
    if (hook_) {
      hook_->Send(QString::fromStdString(utf8));
      trace_("hook", JsonObject().Utf8("text", utf8));
    }
    if (copyText_ && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
      QGuiApplication::clipboard()->setText(QString::fromStdString(utf8));
  }
  platform_.setAccessibleText(cp932);
  // A choice set follows the line it answers: it waits for that line.
  Speak(cp932, kind != ShownText::Choices);
}

void TextOutlets::advanced() {
  if (speech_) speech_->Stop();
}

}  // namespace mirt
