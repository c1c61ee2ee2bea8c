#include "platform/Speech.h"

#include <QLocale>
#include <QObject>
#include <QTextToSpeech>
#include <QVoice>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace mirt {
namespace {

bool IsJapanese(const QVoice& v) { return v.locale().language() == QLocale::Japanese; }

// The socket speech-dispatcher's client library connects to: the one
// SPEECHD_ADDRESS names, else speechd.sock in the user's runtime folder (the
// cache folder without one). "" when it is not a local socket.
std::string SpeechDispatcherSocket() {
  if (const char* a = std::getenv("SPEECHD_ADDRESS"); a && *a) {
    const std::string address = a;
    const std::string unixPrefix = "unix_socket:";
    return address.rfind(unixPrefix, 0) == 0 ? address.substr(unixPrefix.size()) : "";
  }
  std::string base;
  if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r && *r) {
    base = r;
  } else if (const char* c = std::getenv("XDG_CACHE_HOME"); c && *c) {
    base = c;
  } else if (const char* h = std::getenv("HOME"); h && *h) {
    base = std::string(h) + "/.cache";
  }
  return base.empty() ? "" : base + "/speech-dispatcher/speechd.sock";
}

// Whether a speech-dispatcher listens on its socket but does not answer
// within timeoutMs. The client library waits for its answer without end, so a
// server that is stopped or stuck would hold the window still; this asks it
// first. No server at all is not silence: the library starts one itself.
bool SpeechDispatcherSilent(int timeoutMs) {
  const std::string path = SpeechDispatcherSocket();
  sockaddr_un addr{};
  if (path.empty() || path.size() >= sizeof addr.sun_path) return false;
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool silent = false;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
    const char hello[] = "SET self CLIENT_NAME mirt:probe:main\r\n";
    if (::send(fd, hello, sizeof hello - 1, MSG_NOSIGNAL) == ssize_t(sizeof hello - 1)) {
      pollfd p{fd, POLLIN, 0};
      silent = ::poll(&p, 1, timeoutMs) == 0;
      if (!silent) {
        const char bye[] = "QUIT\r\n";
        (void)::send(fd, bye, sizeof bye - 1, MSG_NOSIGNAL);
      }
    }
  }
  ::close(fd);
  return silent;
}

}  // namespace

Speech::Speech() : context_(std::make_unique<QObject>()) {
  if (QTextToSpeech::availableEngines().isEmpty()) {
    reason_ = "音声合成エンジンがありません（speech-dispatcher と qt6-speech-speechd-plugin "
              "を入れてください）";
    return;
  }
  if (QTextToSpeech::availableEngines().contains(QStringLiteral("speechd")) &&
      SpeechDispatcherSilent(2000)) {
    reason_ = "音声合成エンジン（speech-dispatcher）が応答しません";
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
