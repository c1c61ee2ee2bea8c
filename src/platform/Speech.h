// Speech through Qt's text-to-speech (speech-dispatcher through its plugin
// on Debian). Utterances are either said at once, cutting short what is
// being said, or queued behind it.
#pragma once

#include <QString>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class QObject;
class QTextToSpeech;

namespace mirt {

// What the reader chose in the speech dialog; kept in our settings file.
struct SpeechSettings {
  std::string voice;    // the voice's name, "" for the engine's choice
  double rate = 0.0;    // -1 (slowest) .. 1 (fastest)
  double volume = 1.0;  // 0 .. 1
  bool operator==(const SpeechSettings&) const = default;
};

class Speech {
 public:
  // Opens the default engine. Without one (or without a voice) the object
  // stays unavailable and says nothing.
  Speech();
  ~Speech();
  Speech(const Speech&) = delete;
  Speech& operator=(const Speech&) = delete;

  bool available() const { return reason_.empty(); }
  // Why there is no speech, in the reader's words (UTF-8), "" when there is.
  const std::string& unavailableReason() const { return reason_; }

  // Every voice of the engine, Japanese ones first, each named once.
  std::vector<std::string> VoiceNames();
  const SpeechSettings& settings() const { return settings_; }
  void Apply(const SpeechSettings& settings);

  void Say(const QString& text, bool interrupt);
  void Stop();

 private:
  void SayNext();

  std::unique_ptr<QObject> context_;
  std::unique_ptr<QTextToSpeech> tts_;
  std::string reason_;
  SpeechSettings settings_;
  std::deque<QString> queue_;
  bool speaking_ = false;
};

}  // namespace mirt
