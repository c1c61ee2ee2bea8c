// MIDIPLAY, MIDISTOP, WAVEPLAY, WAVESTOP, CDPLAY and CDSTOP.
#include <cstring>

#include "common/Encoding.h"
#include "common/NameField.h"
#include "script/CText.h"
#include "script/CommandTable.h"
#include "script/GameState.h"
#include "script/StoryHost.h"
#include "sound/Sound.h"
#include "sound/SoundCommands.h"

namespace mirt {
namespace {

// What the sound commands work on.
class Objects {
 public:
  Objects(CText& script, Sound& sound) : script_(script), sound_(sound) {}
  ArgumentReader& args() { return script_.args(); }
  GameState& state() { return script_.args().state(); }
  StoryHost& host() { return script_.args().host(); }
  // init.def's archives.
  const StartupDefinitions& defs() { return script_.scenario().defs(); }
  Sound& sound() { return sound_; }

 private:
  CText& script_;
  Sound& sound_;
};

// The string argument, the discarded integer read, then the real integer.
int32_t ReadNameAndValue(Objects& p, std::string& name) {
  name = p.args().String();
  p.args().Int();
  return p.args().Int();
}

}  // namespace

int CmdMIDIPLAY(Objects& p) {
  std::string name;
  int32_t mode = ReadNameAndValue(p, name);
  StoreName(p.state().midiName, name);
  p.sound().loadMusic(p.state().MidiName(), p.defs().midiArchive);
  if (mode != 0 && mode != 1) {
    p.host().Message(Sjis("フラグが不正です。"));
    return 0;
  }
  p.sound().playMusic(mode);
  p.state().midiMode = mode == 0 ? 1 : 2;
  return 1;
}

int CmdMIDISTOP(Objects& p) {
  p.state().midiMode = 0;
  std::memset(p.state().midiName, 0, sizeof p.state().midiName);
  p.sound().stopMusic();
  return 1;
}

int CmdWAVEPLAY(Objects& p) {
  std::string name;
  int32_t flag = ReadNameAndValue(p, name);
  StoreName(p.state().waveName, name);
  p.state().waveMode = flag;
  return p.sound().wavePlay(p.state(), p.defs().waveArchive, flag);
}

int CmdWAVESTOP(Objects& p) {
  p.sound().waveStop();
  p.state().waveMode = -1;
  std::memset(p.state().waveName, 0, sizeof p.state().waveName);
  return 1;
}

int CmdCDPLAY(Objects& p) {
  p.state().cdTrack = p.args().Int();
  p.state().cdMode = p.args().Int();
  return p.sound().cdPlay(p.state());
}

int CmdCDSTOP(Objects& p) { return p.sound().cdStop(p.state()); }

void RegisterSoundCommands(CommandTable& table, CText& script, Sound& sound) {
  Objects o(script, sound);
#define MIRT_BIND(name) table.Bind(Command::name, [o]() mutable { return Cmd##name(o); })
  MIRT_BIND(MIDIPLAY);
  MIRT_BIND(MIDISTOP);
  MIRT_BIND(WAVEPLAY);
  MIRT_BIND(WAVESTOP);
  MIRT_BIND(CDPLAY);
  MIRT_BIND(CDSTOP);
#undef MIRT_BIND
}

}  // namespace mirt
