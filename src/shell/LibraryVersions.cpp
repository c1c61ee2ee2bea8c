#include "shell/LibraryVersions.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>
#include <samplerate.h>
#include <sndfile.h>

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <SDL.h>

// jpeglib.h wants the standard I/O types declared first.
#include <jpeglib.h>

namespace mirt {
namespace {

#define MIRT_STRINGIFY2(x) #x
#define MIRT_STRINGIFY(x) MIRT_STRINGIFY2(x)

}  // namespace

std::string LibraryVersions() {
  std::string s;
  s += std::string("Qt ") + qVersion() + "\n";
  SDL_version sdl;
  SDL_GetVersion(&sdl);
  s += "SDL " + std::to_string(sdl.major) + "." + std::to_string(sdl.minor) + "." +
       std::to_string(sdl.patch) + "\n";
  s += std::string("FluidSynth ") + fluid_version_str() + "\n";
  s += std::string(sf_version_string()) + "\n";  // "libsndfile-1.2.0"
  std::string samplerate = src_get_version();    // "libsamplerate-0.2.2 (c) ..."
  s += samplerate.substr(0, samplerate.find(' ')) + "\n";
  s += std::string("ALSA ") + snd_asoundlib_version() + "\n";
#ifdef LIBJPEG_TURBO_VERSION
  s += "libjpeg-turbo " MIRT_STRINGIFY(LIBJPEG_TURBO_VERSION) " (libjpeg " MIRT_STRINGIFY(
      JPEG_LIB_VERSION) ")\n";
#else
  s += "libjpeg " MIRT_STRINGIFY(JPEG_LIB_VERSION) "\n";
#endif
  return s;
}

}  // namespace mirt
