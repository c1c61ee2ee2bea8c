#include "platform/VolumeDialog.h"

#include <algorithm>
#include <string>

namespace mirt {

namespace {
constexpr uint32_t kVolumeStep = 6500;
constexpr SoundDevice kColumns[3] = {SoundDevice::Wave, SoundDevice::Midi, SoundDevice::Cd};
}  // namespace

uint32_t SliderToVolume(int position) {
  const uint32_t v = uint32_t(std::clamp(position, 0, kVolumeSliderMax)) * kVolumeStep;
  return v * 65537u;
}

int VolumeToSlider(uint32_t volume) { return int((volume & 0xFFFFu) / kVolumeStep); }

VolumeDialog::VolumeDialog(ReadFn read, WriteFn write)
    : read_(std::move(read)), write_(std::move(write)) {}

void VolumeDialog::FormShow() {
  for (SoundDevice d : kColumns) {
    Column& c = columns_[int(d)];
    c.muted = false;
    const std::optional<uint32_t> v = read_ ? read_(d) : std::nullopt;
    if (!v) {
      c.sliderEnabled = false;
      c.muteEnabled = false;
      continue;
    }
    c.remembered = *v;
    c.position = VolumeToSlider(*v);  // shown only: the device keeps its volume
    c.sliderEnabled = true;
    c.muteEnabled = true;
  }
}

void VolumeDialog::BarChange(SoundDevice d, int position) {
  Column& c = columns_[int(d)];
  if (!c.sliderEnabled) return;
  c.position = std::clamp(position, 0, kVolumeSliderMax);
  c.remembered = SliderToVolume(c.position);
  if (write_) write_(d, c.remembered);
}

void VolumeDialog::MuteClick(SoundDevice d) {
  Column& c = columns_[int(d)];
  if (!c.muteEnabled) return;
  c.muted = !c.muted;
  c.sliderEnabled = !c.muted;
  if (write_) write_(d, c.muted ? 0 : c.remembered);
}

const char* VolumeDeviceName(SoundDevice d) {
  switch (d) {
    case SoundDevice::Wave: return "wave";
    case SoundDevice::Midi: return "midi";
    case SoundDevice::Cd: return "cd";
  }
  return "";
}

bool ParseVolumeDevice(const std::string& name, SoundDevice* out) {
  for (SoundDevice d : kColumns)
    if (name == VolumeDeviceName(d)) {
      *out = d;
      return true;
    }
  return false;
}

}  // namespace mirt
