#include "platform/headless/HeadlessPlatform.h"

#include <sched.h>

#include <algorithm>

#include <QCoreApplication>
#include <QPainter>

namespace mirt {

HeadlessPlatform::HeadlessPlatform(bool virtualTime) : virtual_(virtualTime) {}

HeadlessPlatform::~HeadlessPlatform() {
  if (nullAudio_) nullAudio_->setSource(nullptr);
  audioOut_.close();
}

bool HeadlessPlatform::setAudioOut(const std::string& hostPath) { return audioOut_.open(hostPath); }

MultimediaTimer& HeadlessPlatform::multimediaTimer() {
  if (virtual_) return virtualTimer_;
  if (!realTimer_) realTimer_ = std::make_unique<ThreadTimer>();
  return *realTimer_;
}

void HeadlessPlatform::openAudio(AudioSource* source) {
  if (virtual_) {
    audio_ = source;
    return;
  }
  if (!source && !nullAudio_) return;
  if (!nullAudio_) nullAudio_ = std::make_unique<NullAudioOutput>();
  nullAudio_->setSource(source);
}

uint64_t HeadlessPlatform::audioClock() {
  if (virtual_) return FrameAt(now_);
  return nullAudio_ ? nullAudio_->clock() : 0;
}

void HeadlessPlatform::stepMs() {
  ++now_;
  virtualTimer_.advance(1);
  uint64_t to = FrameAt(now_);
  if (to <= renderedFrames_) return;
  size_t n = size_t(to - renderedFrames_);
  if (!audio_ && !audioOut_.isOpen()) {
    renderedFrames_ = to;
    return;
  }
  block_.assign(n * 2, 0.0f);
  if (audio_) audio_->renderAudio(block_.data(), n, renderedFrames_);
  audioOut_.write(block_.data(), n);
  renderedFrames_ = to;
}

int64_t HeadlessPlatform::wallClockSeconds() {
  if (!virtual_) return Platform::wallClockSeconds();
  return kVirtualEpoch + tickCount() / 1000;
}

uint32_t HeadlessPlatform::tickCount() {
  if (virtual_) return now_;
  return static_cast<uint32_t>((MonotonicNs() - startNs_) / 1000000);
}

void HeadlessPlatform::checkLimit() {
  if (limit_ && tickCount() >= *limit_) throw TimeLimitReached();
}

void HeadlessPlatform::pumpNetwork() {
  if (network_ && QCoreApplication::instance()) QCoreApplication::processEvents();
}

void HeadlessPlatform::advanceTo(uint32_t to) {
  if (limit_ && to > *limit_) to = *limit_;
  if (virtual_) {
    pumpNetwork();
    while (static_cast<int32_t>(to - now_) > 0) stepMs();
  } else if (network_) {
    // The sockets' events are handled every millisecond or so of the wait.
    for (;;) {
      pumpNetwork();
      const int64_t elapsed = (MonotonicNs() - startNs_) / 1000000;
      const int32_t left = static_cast<int32_t>(to - static_cast<uint32_t>(elapsed));
      if (left <= 0) break;
      SleepUntilNs(startNs_ + (elapsed + std::min<int32_t>(left, 1)) * 1000000);
    }
  } else {
    // Sleep to the moment the tick counter reaches `to`, not in steps of a
    // whole millisecond, so the wait ends as the tick comes. Nothing can
    // press the button during it: there is no other thread.
    const int64_t elapsed = (MonotonicNs() - startNs_) / 1000000;
    const int32_t left = static_cast<int32_t>(to - static_cast<uint32_t>(elapsed));
    if (left > 0) SleepUntilNs(startNs_ + (elapsed + left) * 1000000);
  }
  checkLimit();
}

void HeadlessPlatform::yieldCpu() {
  // A story that loops without ever waiting still lets virtual time pass,
  // slowly, so a time limit ends it.
  if (virtual_) {
    if (++yields_ % 100 == 0) stepMs();
  } else {
    pumpNetwork();
    sched_yield();
  }
  checkLimit();
}

bool HeadlessPlatform::sleepUnlessLeftDown(uint32_t ms) {
  if (leftDown_) return false;
  advanceTo(tickCount() + ms);
  return true;
}

void HeadlessPlatform::presentRect(const QImage& screen, int x, int y, int w, int h) {
  if (window_.size() != screen.size() || window_.format() != screen.format()) {
    window_ = screen;
    return;
  }
  QRect r = QRect(x, y, w, h).intersected(screen.rect());
  if (r.isEmpty()) return;
  QPainter painter(&window_);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(r.topLeft(), screen, r);
}

void HeadlessPlatform::setTimer2(bool running) {
  if (running && !timerOn_) nextTick_ = tickCount() + 100;
  timerOn_ = running;
}

bool HeadlessPlatform::question(const std::string&, const std::string&) {
  if (answers.empty()) return true;
  bool a = answers.front();
  answers.pop_front();
  return a;
}

std::optional<std::string> HeadlessPlatform::inputDialog(const std::string&, const std::string&,
                                                         const std::string& initial) {
  if (inputs.empty()) return initial;
  auto a = inputs.front();
  inputs.pop_front();
  return a;
}

std::optional<std::string> HeadlessPlatform::saveFileDialog(const std::string&,
                                                            const std::string&) {
  if (saveFiles.empty()) return std::nullopt;
  std::string a = saveFiles.front();
  saveFiles.pop_front();
  if (a.empty()) return std::nullopt;
  return a;
}

std::unique_ptr<MidiOut> HeadlessPlatform::openMidiOut(const MidiOutOptions& options) {
  return OpenMidiOut(options, [this] { return audioClock(); });
}

void HeadlessPlatform::closeSaveDialog(std::optional<SaveDialogAction> action, int slot) {
  if (!saveDialog_) return;
  const SaveDialogModel model = std::move(*saveDialog_);
  saveDialog_.reset();
  if (!action || !model.act) return;
  for (const SaveDialogEntry& e : model.entries) {
    if (e.slot != slot) continue;
    const bool offered =
        *action == SaveDialogAction::Save ? model.saveEnabled : model.loadEnabled && e.saved;
    if (offered) model.act(*action, slot);
    return;
  }
}

}  // namespace mirt
