#include "platform/Speech.h"

#include <QLocale>
#include <QObject>
#include <QTextToSpeech>
#include <QVoice>
#include <algorithm>

namespace mirt {
namespace {

bool IsJapanese(const QVoice& v) { return v.locale().language() == QLocale::Japanese; }

}  // namespace

Speech::Speech() : context_(std::make_unique<QObject>()) {
  if (QTextToSpeech::availableEngines().isEmpty()) {
    reason_ = "音声合成エンジンがありません（speech-dispatcher と qt6-speech-speechd-plugin "
              "を入れてください）";
    return;
  }
  tts_ = std::make_unique<QTextToSpeech>();
  if (tts_->state() == QTextToSpeech::Error) {
    reason_ = "音声合成エンジンを使えません: " + tts_->errorString().toStdString();
    tts_.reset();
    return;
  }
  // Listing every voice asks the engine language by language: the dialog
  // does that; a language is enough here.
  if (tts_->availableLocales().isEmpty()) {
    reason_ = "音声合成エンジンに声がありません（espeak-ng などを入れてください）";
    tts_.reset();
    return;
  }
  // Without a choice of the reader's, a Japanese voice if there is one.
  if (tts_->availableLocales().contains(QLocale(QLocale::Japanese, QLocale::Japan)))
    tts_->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
  QObject::connect(tts_.get(), &QTextToSpeech::stateChanged, context_.get(),
                   [this](QTextToSpeech::State s) {
                     if (s == QTextToSpeech::Speaking) speaking_ = true;
                     if (s != QTextToSpeech::Ready) return;
                     speaking_ = false;
                     SayNext();
                   });
}

Speech::~Speech() {
  context_.reset();
  if (tts_) tts_->stop();
}

std::vector<std::string> Speech::VoiceNames() {
  std::vector<std::string> japanese, others;
  if (!tts_) return {};
  // The engine lists the voices of its current language: each in turn.
  const QLocale current = tts_->locale();
  for (const QLocale& l : tts_->availableLocales()) {
    tts_->setLocale(l);
    for (const QVoice& v : tts_->availableVoices()) {
      const std::string name = v.name().toStdString();
      auto& list = IsJapanese(v) ? japanese : others;
      if (std::find(japanese.begin(), japanese.end(), name) == japanese.end() &&
          std::find(others.begin(), others.end(), name) == others.end())
        list.push_back(name);
    }
  }
  tts_->setLocale(current);
  japanese.insert(japanese.end(), others.begin(), others.end());
  return japanese;
}

void Speech::Apply(const SpeechSettings& s) {
  settings_ = s;
  settings_.rate = std::clamp(s.rate, -1.0, 1.0);
  settings_.volume = std::clamp(s.volume, 0.0, 1.0);
  if (!tts_) return;
  tts_->setRate(settings_.rate);
  tts_->setVolume(settings_.volume);
  if (settings_.voice.empty()) return;
  const QString wanted = QString::fromStdString(settings_.voice);
  for (const QLocale& l : tts_->availableLocales()) {
    tts_->setLocale(l);
    for (const QVoice& v : tts_->availableVoices())
      if (v.name() == wanted) {
        tts_->setVoice(v);
        return;
      }
  }
}

void Speech::Say(const QString& text, bool interrupt) {
  if (!tts_ || text.isEmpty()) return;
  if (interrupt) {
    queue_.clear();
    speaking_ = true;
    tts_->say(text);
    return;
  }
  queue_.push_back(text);
  // The engine may not have said it is speaking yet: our own mark counts.
  if (!speaking_ && tts_->state() != QTextToSpeech::Speaking) SayNext();
}

void Speech::SayNext() {
  if (queue_.empty() || !tts_) return;
  const QString text = queue_.front();
  queue_.pop_front();
  speaking_ = true;
  tts_->say(text);
}

void Speech::Stop() {
  queue_.clear();
  speaking_ = false;
  if (tts_) tts_->stop();
}

}  // namespace mirt
