// MIDIPLAY, MIDISTOP, WAVEPLAY, WAVESTOP, CDPLAY, CDSTOP and the WAVE and CD
// operations that loading a game and the shutdown use too.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/NameField.h"
#include "platform/Encoding.h"
#include "script/Archive.h"
#include "script/CFile.h"
#include "script/Commands.h"
#include "shell/Player.h"
#include "vars/Arguments.h"
#include "vars/VariableStore.h"

namespace mirt {
namespace {

// The string argument, the discarded integer read, then the real integer.
int32_t ReadNameAndValue(Player& p, std::string& name) {
  ReadStringArgument(p, name);
  ReadIntArgument(p);
  return ReadIntArgument(p);
}

}  // namespace

void Player::StartSound() {
  if (sound) return;
  sound = std::make_unique<SoundSystem>(
      platform_, soundOptions_, [this](const char* ev, const JsonObject& o) { TraceEvent(ev, o); },
      [this] { return trace_.enabled(); });
  sound->music().setArchiveName(script_.scenario().defs().midiArchive);
}

int CmdMIDIPLAY(Player& p) {
  std::string name;
  int32_t mode = ReadNameAndValue(p, name);
  StoreName(p.state().midiName, name);
  p.StartSound();
  p.sound->music().setArchiveName(p.script().scenario().defs().midiArchive);
  p.sound->music().load(p.state().MidiName());
  p.TraceEvent("music", JsonObject().Utf8("op", "load").Str("name", p.state().MidiName())
                            .Bool("loaded", p.sound->music().song().hasSong()));
  if (mode != 0 && mode != 1) {
    p.Message(Sjis("フラグが不正です。"));
    return 0;
  }
  p.sound->music().setLoop(uint32_t(mode));
  p.sound->music().play();
  p.state().midiMode = mode == 0 ? 1 : 2;
  return 1;
}

int CmdMIDISTOP(Player& p) {
  p.state().midiMode = 0;
  std::memset(p.state().midiName, 0, sizeof p.state().midiName);
  if (p.sound) p.sound->music().stop();
  p.TraceEvent("music", JsonObject().Utf8("op", "stop"));
  return 1;
}

int CmdWAVEPLAY(Player& p) {
  std::string name;
  int32_t flag = ReadNameAndValue(p, name);
  StoreName(p.state().waveName, name);
  p.state().waveMode = flag;
  return p.WavePlay(flag);
}

int CmdWAVESTOP(Player& p) {
  p.WaveStopSound();
  p.state().waveMode = -1;
  std::memset(p.state().waveName, 0, sizeof p.state().waveName);
  return 1;
}

int CmdCDPLAY(Player& p) {
  p.state().cdTrack = ReadIntArgument(p);
  p.state().cdMode = ReadIntArgument(p);
  return p.CdPlay();
}

int CmdCDSTOP(Player& p) { return p.CdStop(); }

int Player::WavePlay(int32_t flag) {
  StartSound();
  waveBuffer.reset();  // the mixer keeps a sound that still plays
  std::optional<std::vector<uint8_t>> bytes;
  const std::string& archive = script_.scenario().defs().waveArchive;
  if (FileExists(archive)) {
    // The name is upper-cased in place when it is looked up in the archive.
    std::string upper = UpperAscii(state().WaveName());
    StoreName(state().waveName, upper);
    bytes = ReadArchiveMember(archive, upper);
    // An archive without that entry: the plain file, as the MIDI loader does.
  }
  if (!bytes) bytes = ReadWholeFile(state().WaveName());
  if (!bytes) {
    Message(Sjis("WAVE再生失敗"));
    return 1;
  }
  waveBuffer = std::make_shared<const std::vector<uint8_t>>(std::move(*bytes));
  uint32_t flags = flag == 0 ? (SND_ASYNC | SND_MEMORY | SND_LOOP) : (SND_ASYNC | SND_MEMORY);
  bool ok = sound->sndPlaySound(waveBuffer, flags);
  TraceEvent("wave", JsonObject().Utf8("op", "play").Str("name", state().WaveName())
                         .Bool("loop", flag == 0).Bool("decoded", ok));
  return 1;
}

void Player::WaveStopSound() {
  if (sound) sound->sndPlaySound(nullptr, 0);
  TraceEvent("wave", JsonObject().Utf8("op", "stop"));
}

int Player::CdPlay() {
  StartSound();
  CdAudio& cd = sound->cd();
  cdOpen.deviceType = "cdaudio";
  cd.sendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_WAIT, &cdOpen);
  MciSetParms set;
  set.timeFormat = MCI_FORMAT_TMSF;
  cd.sendCommand(cdOpen.deviceId, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, &set);
  cdStatus.item = MCI_STATUS_NUMBER_OF_TRACKS;
  cd.sendCommand(cdOpen.deviceId, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, &cdStatus);
  MciPlayParms play;
  play.callback = 1;  // the main window
  play.from = uint32_t(state().cdTrack) & 0xFF;
  uint32_t flags;
  if (uint32_t(state().cdTrack) == cdStatus.returnValue) {
    flags = MCI_NOTIFY | MCI_FROM;
  } else {
    play.to = (uint32_t(state().cdTrack) + 1) & 0xFF;
    flags = MCI_NOTIFY | MCI_FROM | MCI_TO;
  }
  cd.sendCommand(cdOpen.deviceId, MCI_PLAY, flags, &play);
  return 1;
}

void Player::CdPoll() {
  if (state().cdMode < 0) return;
  StartSound();
  std::string reply;
  sound->cd().sendString("status cdaudio current track", &reply);
  int32_t n = std::atoi(reply.c_str());
  if (n == state().cdTrack) return;
  if (state().cdMode == 1) {
    char buf[80];
    int32_t next = int32_t(uint32_t(state().cdTrack) + 1);  // wraps like the 32-bit sum, without overflow
    std::snprintf(buf, sizeof buf, "play cdaudio from %d to %d notify", state().cdTrack, next);
    sound->cd().sendString("set cdaudio time format tmsf", nullptr);
    sound->cd().sendString(buf, nullptr);
  } else {
    state().cdMode = -1;
  }
}

int Player::CdStop() {
  StartSound();
  sound->cd().sendCommand(cdOpen.deviceId, MCI_STOP, MCI_WAIT, &cdOpen);
  sound->cd().sendCommand(cdOpen.deviceId, MCI_CLOSE, MCI_WAIT, &cdOpen);
  state().cdMode = -1;
  return 1;
}

}  // namespace mirt
