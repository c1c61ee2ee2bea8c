// MIDIPLAY, MIDISTOP, WAVEPLAY, WAVESTOP, CDPLAY and CDSTOP.
#include <cstring>

#include "common/NameField.h"
#include "platform/Encoding.h"
#include "script/Commands.h"
#include "shell/Player.h"
#include "vars/Arguments.h"

namespace mirt {
namespace {

// The string argument, the discarded integer read, then the real integer.
int32_t ReadNameAndValue(Player& p, std::string& name) {
  ReadStringArgument(p, name);
  ReadIntArgument(p);
  return ReadIntArgument(p);
}

}  // namespace

int CmdMIDIPLAY(Player& p) {
  std::string name;
  int32_t mode = ReadNameAndValue(p, name);
  StoreName(p.state().midiName, name);
  p.sound().loadMusic(p.state().MidiName(), p.script().scenario().defs().midiArchive);
  if (mode != 0 && mode != 1) {
    p.Message(Sjis("フラグが不正です。"));
    return 0;
  }
  p.sound().playMusic(mode);
  p.state().midiMode = mode == 0 ? 1 : 2;
  return 1;
}

int CmdMIDISTOP(Player& p) {
  p.state().midiMode = 0;
  std::memset(p.state().midiName, 0, sizeof p.state().midiName);
  p.sound().stopMusic();
  return 1;
}

int CmdWAVEPLAY(Player& p) {
  std::string name;
  int32_t flag = ReadNameAndValue(p, name);
  StoreName(p.state().waveName, name);
  p.state().waveMode = flag;
  return p.sound().wavePlay(p.state(), p.script().scenario().defs().waveArchive, flag);
}

int CmdWAVESTOP(Player& p) {
  p.sound().waveStop();
  p.state().waveMode = -1;
  std::memset(p.state().waveName, 0, sizeof p.state().waveName);
  return 1;
}

int CmdCDPLAY(Player& p) {
  p.state().cdTrack = ReadIntArgument(p);
  p.state().cdMode = ReadIntArgument(p);
  return p.sound().cdPlay(p.state());
}

int CmdCDSTOP(Player& p) { return p.sound().cdStop(p.state()); }

}  // namespace mirt
