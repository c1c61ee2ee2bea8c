// The volume dialog: slider positions and device volumes, mute boxes, a
// device that cannot be read, and the dialog driven through the harness.
#include <gtest/gtest.h>

#include <QImage>
#include <map>

#include "GameFixture.h"
#include "platform/VolumeDialog.h"

using namespace mirt_test;
using mirt::SoundDevice;
using mirt::VolumeDialog;

namespace {

// Device volumes as the dialog sees them, with every write recorded.
struct FakeDevices {
  std::map<SoundDevice, uint32_t> volume;
  std::map<SoundDevice, bool> unreadable;
  std::vector<std::pair<SoundDevice, uint32_t>> writes;
  VolumeDialog Dialog() {
    return VolumeDialog(
        [this](SoundDevice d) -> std::optional<uint32_t> {
          if (unreadable[d]) return std::nullopt;
          return volume[d];
        },
        [this](SoundDevice d, uint32_t v) {
          volume[d] = v;
          writes.emplace_back(d, v);
        });
  }
};

}  // namespace

TEST(Volume, SliderPositionsAndDeviceVolumes) {
  EXPECT_EQ(mirt::SliderToVolume(0), 0u);
  EXPECT_EQ(mirt::SliderToVolume(6), 0x98589858u);   // 39000 in both channels
  EXPECT_EQ(mirt::SliderToVolume(10), 0xFDE8FDE8u);  // 65000, not 0xFFFF
  EXPECT_EQ(mirt::VolumeToSlider(0x80008000u), 5);   // 32768 / 6500
  EXPECT_EQ(mirt::VolumeToSlider(0xFFFFFFFFu), 10);
  EXPECT_EQ(mirt::VolumeToSlider(0x0000FFFFu), 10);  // the left channel decides
  EXPECT_EQ(mirt::VolumeToSlider(0xFFFF1963u), 0);   // 6499
  EXPECT_EQ(mirt::VolumeToSlider(0x00001964u), 1);   // 6500
  for (int p = 0; p <= 10; ++p) EXPECT_EQ(mirt::VolumeToSlider(mirt::SliderToVolume(p)), p);
}

TEST(Volume, DialogShowsMovesAndMutesTheDevices) {
  FakeDevices dev;
  dev.volume = {{SoundDevice::Wave, 0x80008000u},
                {SoundDevice::Midi, 0x2000C000u},  // left and right differ
                {SoundDevice::Cd, 0xFFFFFFFFu}};
  VolumeDialog dialog = dev.Dialog();
  dialog.FormShow();
  EXPECT_TRUE(dev.writes.empty());  // showing the positions writes nothing
  EXPECT_EQ(dialog.column(SoundDevice::Wave).position, 5);
  EXPECT_EQ(dialog.column(SoundDevice::Midi).position, 7);  // 0xC000 = 49152
  EXPECT_EQ(dialog.column(SoundDevice::Cd).position, 10);

  dialog.BarChange(SoundDevice::Wave, 6);
  EXPECT_EQ(dev.volume[SoundDevice::Wave], 0x98589858u);
  dialog.BarChange(SoundDevice::Midi, 7);  // the first move makes both channels equal
  EXPECT_EQ(dev.volume[SoundDevice::Midi], 7u * 6500u * 65537u);

  // Muting and unmuting without a move gives back what was read.
  dialog.MuteClick(SoundDevice::Cd);
  EXPECT_EQ(dev.volume[SoundDevice::Cd], 0u);
  EXPECT_FALSE(dialog.column(SoundDevice::Cd).sliderEnabled);
  dialog.BarChange(SoundDevice::Cd, 3);  // a disabled slider does not move
  EXPECT_EQ(dev.volume[SoundDevice::Cd], 0u);
  dialog.MuteClick(SoundDevice::Cd);
  EXPECT_EQ(dev.volume[SoundDevice::Cd], 0xFFFFFFFFu);
  EXPECT_TRUE(dialog.column(SoundDevice::Cd).sliderEnabled);
  // After a move, unmuting gives back the moved-to volume.
  dialog.MuteClick(SoundDevice::Wave);
  dialog.MuteClick(SoundDevice::Wave);
  EXPECT_EQ(dev.volume[SoundDevice::Wave], 0x98589858u);

  // Closing leaves a muted column muted; reopening shows it at 0, unchecked.
  dialog.MuteClick(SoundDevice::Midi);
  dialog.Exit1Click();
  EXPECT_TRUE(dialog.closed());
  EXPECT_EQ(dev.volume[SoundDevice::Midi], 0u);
  VolumeDialog again = dev.Dialog();
  again.FormShow();
  EXPECT_EQ(again.column(SoundDevice::Midi).position, 0);
  EXPECT_FALSE(again.column(SoundDevice::Midi).muted);
}

TEST(Volume, ADeviceThatCannotBeReadHasItsColumnDisabled) {
  FakeDevices dev;
  dev.volume[SoundDevice::Wave] = 0x80008000u;
  dev.unreadable[SoundDevice::Midi] = true;
  VolumeDialog dialog = dev.Dialog();
  dialog.FormShow();
  const VolumeDialog::Column& midi = dialog.column(SoundDevice::Midi);
  EXPECT_FALSE(midi.sliderEnabled);
  EXPECT_FALSE(midi.muteEnabled);
  dialog.BarChange(SoundDevice::Midi, 8);
  dialog.MuteClick(SoundDevice::Midi);
  EXPECT_TRUE(dev.writes.empty());
  EXPECT_TRUE(dialog.column(SoundDevice::Wave).sliderEnabled);
}

TEST(Volume, HarnessDrivesTheDialogAndExitGivesTheVolumesBack) {
  GameDir g;
  g.Script("\"a\"\\n\n\"b\"\\n\n");
  const std::string d1 = g.Path("d1.json"), d2 = g.Path("d2.json"), shot = g.Path("s.png");
  EXPECT_EQ(g.Run("volume\nslider wave 6\nmute cd\ndump " + d1 + "\nscreenshot " + shot +
                  "\nslider cd 2\nclose\nslider midi 1\nvolume\ndump " + d2 + "\nclose\n"),
            0);
  const QJsonObject open = g.Dump("d1.json");
  EXPECT_EQ(At(open, "sound.waveVolume"), double(0x98589858u));
  EXPECT_EQ(At(open, "sound.cdVolume"), 0);
  EXPECT_EQ(At(open, "sound.midiVolume"), double(0xFFFFFFFFu));
  EXPECT_TRUE(Holds(At(open, "volumeDialog.cd"), R"({"muted":true,"sliderEnabled":false})"));
  EXPECT_EQ(At(open, "volumeDialog.wave.position"), 6);
  EXPECT_FALSE(QImage(QString::fromStdString(shot)).isNull());
  // The slider of the muted column did not move; after close nothing acts.
  const QJsonObject reopened = g.Dump("d2.json");
  EXPECT_EQ(At(reopened, "sound.cdVolume"), 0);
  EXPECT_EQ(At(reopened, "sound.midiVolume"), double(0xFFFFFFFFu));
  EXPECT_TRUE(Holds(At(reopened, "volumeDialog.cd"), R"({"position":0,"muted":false})"));
  EXPECT_EQ(At(reopened, "volumeDialog.wave.position"), 6);

  // The trace: the dialog's writes, then at exit the start-up volumes.
  std::vector<std::string> writes;
  for (const QJsonObject& e : g.EventsOf("volume"))
    writes.push_back(Str(e["device"]) + "=" + std::to_string(qint64(e["value"].toDouble())));
  const std::string full = std::to_string(0xFFFFFFFFu);
  EXPECT_EQ(writes, (std::vector<std::string>{"wave=" + std::to_string(0x98589858u), "cd=0",
                                              "wave=" + full, "midi=" + full, "cd=" + full}));
  const auto all = g.TraceEvents();
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all.back()["ev"], "volume");
}

TEST(Volume, HarnessRefusesMalformedDialogActions) {
  GameDir g;
  g.Script("\"a\"\\n\n");
  EXPECT_EQ(g.Run("slider bass 3\n"), 2);
  EXPECT_EQ(g.Run("slider wave 11\n"), 2);
  EXPECT_EQ(g.Run("slider wave\n"), 2);
  EXPECT_EQ(g.Run("mute aux\n"), 2);
  EXPECT_EQ(g.Run("mute wave\nslider midi 3\nclose\n"), 0);  // no dialog open: nothing
  EXPECT_TRUE(g.EventsOf("volume").size() == 3u);            // only the exit's give-back
}
