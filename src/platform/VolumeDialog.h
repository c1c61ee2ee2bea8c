// TForm4, the volume dialog: one column each for the WAVE output, the MIDI
// output and the CD audio line, with a slider 0..10 and a mute box. It
// works on the device volumes directly (low 16 bits the left channel, high
// 16 bits the right); nothing of it is kept in a settings file.
//
// This is the dialog's behaviour; the window (platform/qt) and the
// harness (headless) only show it and hand the reader's moves to it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <string>

#include "platform/Platform.h"

namespace mirt {

constexpr int kVolumeSliderMax = 10;

// Slider position p to the device volume: 6500 p in both channels.
uint32_t SliderToVolume(int position);
// The device volume to a slider position: the left channel / 6500.
int VolumeToSlider(uint32_t volume);

class VolumeDialog {
 public:
  // read: the device volume, nothing when it cannot be read; write: sets it.
  using ReadFn = std::function<std::optional<uint32_t>(SoundDevice)>;
  using WriteFn = std::function<void(SoundDevice, uint32_t)>;
  VolumeDialog(ReadFn read, WriteFn write);

  struct Column {
    int position = 5;  // the slider
    bool sliderEnabled = true;
    bool muted = false;  // the mute box
    bool muteEnabled = true;
    uint32_t remembered = 0;  // as read at FormShow, or last set by the slider
  };

  // The dialog comes up: every column shows its device as it is now.
  void FormShow();
  // The reader moves a slider (WaveBarChange, MidiBarChange, AudioBarChange).
  // A disabled slider cannot be moved: nothing happens.
  void BarChange(SoundDevice d, int position);
  // The reader clicks a mute box (WaveMuteClick, ...), which toggles it.
  void MuteClick(SoundDevice d);
  // The menu's "終了".
  void Exit1Click() { closed_ = true; }
  bool closed() const { return closed_; }

  const Column& column(SoundDevice d) const { return columns_[int(d)]; }

 private:
  ReadFn read_;
  WriteFn write_;
  Column columns_[3];
  bool closed_ = false;
};

// The column's name in the harness and the trace: wave, midi, cd.
const char* VolumeDeviceName(SoundDevice d);
// "wave", "midi" or "cd"; false for anything else.
bool ParseVolumeDevice(const std::string& name, SoundDevice* out);

}  // namespace mirt
