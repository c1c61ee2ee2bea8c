# The sequencer, synthesizer and audio threads under ThreadSanitizer: only
# the sound and timer code that tools/tsan_sequencer.cpp runs is built, not
# the whole engine (`make tsan` builds just this target).
add_library(mirt_tsan_sound STATIC
  src/platform/AlsaSeqMidiOut.cpp src/platform/AudioOutput.cpp src/platform/Encoding.cpp
  src/platform/FluidSynthMidiOut.cpp src/platform/HostFiles.cpp
  src/platform/HostFolder.cpp src/platform/MidiDevice.cpp
  src/script/Archive.cpp src/script/CFile.cpp
  src/sound/CDxMusic.cpp src/sound/SmfParser.cpp src/sound/SoundDecoder.cpp
  src/sound/SoundMixer.cpp)
target_include_directories(mirt_tsan_sound PUBLIC src)
target_link_libraries(mirt_tsan_sound PUBLIC PkgConfig::FLUIDSYNTH PkgConfig::SDL2
                      PkgConfig::SNDFILE PkgConfig::ALSA PkgConfig::SAMPLERATE Threads::Threads)
if(Iconv_FOUND AND NOT Iconv_IS_BUILT_IN)
  target_link_libraries(mirt_tsan_sound PUBLIC Iconv::Iconv)
endif()
add_executable(tsan_sequencer tools/tsan_sequencer.cpp)
target_link_libraries(tsan_sequencer PRIVATE mirt_tsan_sound)
