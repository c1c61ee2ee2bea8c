// MIDIPLAY, MIDISTOP, WAVEPLAY, WAVESTOP, CDPLAY and CDSTOP.
#pragma once

namespace mirt {

class CText;
class CommandTable;
class Sound;

void RegisterSoundCommands(CommandTable& table, CText& script, Sound& sound);

}  // namespace mirt
