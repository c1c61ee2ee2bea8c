// Where the story's lines go besides the window: the text hook (a
// WebSocket server for reading pages), the clipboard, speech and the
// window's accessible description. The reader switches each on in the
// menu "読書(&R)" or on the command line.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Speech.h"
#include "text/TextOut.h"

namespace mirt {

class JsonObject;
class Platform;
class TextHookServer;

class TextOutlets : public LineSink {
 public:
  using TraceFn = std::function<void(const char* ev, const JsonObject& fields)>;
  using MessageFn = std::function<void(const std::string& cp932)>;
  TextOutlets(Platform& platform, TraceFn trace, MessageFn message);
  ~TextOutlets() override;

  // ---- text hook --------------------------------------------------------
  // Starts the server on 127.0.0.1:port (0: any free one). A port that
  // cannot be had is told to the reader once, and the story goes on
  // without it: false.
  bool StartTextHook(uint16_t port);
  // Why the last start failed, UTF-8.
  const std::string& textHookError() const { return hookError_; }
  void StopTextHook();
  bool textHook() const { return hook_ != nullptr; }
  uint16_t textHookPort() const { return port_; }
  void SetTextHookPort(uint16_t port) { port_ = port; }
  TextHookServer* textHookServer() { return hook_.get(); }

  // ---- clipboard --------------------------------------------------------
  bool copyText() const { return copyText_; }
  void SetCopyText(bool on) { copyText_ = on; }

  // ---- self-voicing -----------------------------------------------------
  // The speech engine is there to be opened (the window's; headless the
  // utterances are only traced). It opens when speech is first wanted:
  // opening it starts speech-dispatcher, which takes seconds, so a reader
  // who never turns reading aloud on never waits for it.
  void UseSpeechEngine() { speechEngine_ = true; }
  void OpenSpeech();
  // The engine for the speech dialog, opened now if need be; null headless.
  Speech* speech() {
    if (speechEngine_) OpenSpeech();
    return speech_.get();
  }
  bool speechAvailable() const { return !speech_ || speech_->available(); }
  // Why the item is off, UTF-8; "" when speech is there.
  std::string speechUnavailableReason() const {
    return speech_ ? speech_->unavailableReason() : std::string();
  }
  bool selfVoicing() const { return selfVoicing_; }
  void SetSelfVoicing(bool on);
  const SpeechSettings& speechSettings() const { return speechSettings_; }
  void SetSpeechSettings(const SpeechSettings& s);

  // The line on screen (or the choice set on offer), CP932.
  const std::string& current() const { return current_; }

  // ---- LineSink ---------------------------------------------------------
  void textShown(ShownText kind, const std::string& cp932) override;
  void advanced() override;

 private:
  void Speak(const std::string& cp932, bool interrupt);

  Platform& platform_;
  TraceFn trace_;
  MessageFn message_;
  std::unique_ptr<TextHookServer> hook_;
  uint16_t port_;
  std::string hookError_;
  bool copyText_ = false;
  bool selfVoicing_ = false;
  bool speechEngine_ = false;
  std::unique_ptr<Speech> speech_;
  SpeechSettings speechSettings_;
  std::string current_;
};

}  // namespace mirt
