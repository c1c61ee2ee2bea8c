// mirt [OPTIONS] [GAME_DIR]: plays the game in GAME_DIR in a window, or
// headless under a script of input actions.
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <unistd.h>

#include "platform/HostFiles.h"
#include "platform/SingleInstance.h"
#include "platform/qt/QtPlatform.h"
#include "shell/Automation.h"
#include "shell/Player.h"

namespace {

const char* kUsage =
    "Usage: mirt [OPTIONS] [GAME_DIR]\n"
    "Plays the adventure game in GAME_DIR (the folder that holds init.def).\n"
    "\n"
    "  --headless        no window: draw offscreen, answer dialogs from --input\n"
    "  --virtual-time    (headless) a clock that moves only when the player waits\n"
    "  --input FILE      (headless) input actions, one a line\n"
    "  --trace FILE      write a JSON Lines trace of what the player does\n"
    "  --max-time MS     (headless) end with exit code 3 after MS ms of player time\n"
    "  --soundfont FILE  General MIDI sound font for the music (default: the\n"
    "                    Debian GM font, /usr/share/sounds/sf2/default-GM.sf2)\n"
    "  --midi-out alsa[:CLIENT:PORT]\n"
    "                    send the music to an ALSA sequencer port instead\n"
    "  --audio-out FILE  (headless, virtual time) render the sound to a WAVE file\n"
    "  --help            this text\n"
    "  --version         the version\n"
    "\n"
    "GAME_DIR defaults to the program's folder when it holds init.def, else the\n"
    "current folder. See docs/automation.md for the input actions.\n";

std::string ExecutableDir() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "";
  std::string p(buf, n);
  return p.substr(0, p.rfind('/'));
}

bool HasInitDef(const std::string& dir) {
  char* cwd = get_current_dir_name();  // malloc'd; null when it cannot be had
  if (!cwd) return false;
  const std::string saved = cwd;
  free(cwd);
  bool ok = mirt::SetCurrentDirectory(dir) && !mirt::ResolveExisting("init.def").empty();
  mirt::SetCurrentDirectory(saved);
  return ok;
}

std::string AbsoluteDir(const std::string& dir) {
  char* r = realpath(dir.c_str(), nullptr);
  if (!r) return dir;
  std::string s = r;
  free(r);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  mirt::AutomationOptions opt;
  bool headless = false;
  std::string gameDir;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "mirt: %s needs a value\n%s", a.c_str(), kUsage);
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--version") {
      std::puts("mirt 2.33");
      return 0;
    } else if (a == "--headless") {
      headless = true;
    } else if (a == "--virtual-time") {
      opt.virtualTime = true;
    } else if (a == "--input") {
      opt.inputFile = value();
    } else if (a == "--trace") {
      opt.traceFile = value();
    } else if (a == "--max-time") {
      std::string v = value();
      char* end = nullptr;
      long ms = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end || ms < 0) {
        std::fprintf(stderr, "mirt: --max-time takes milliseconds, not '%s'\n", v.c_str());
        return 2;
      }
      opt.maxTime = static_cast<uint32_t>(ms);
    } else if (a == "--soundfont") {
      opt.sound.soundFont = value();
    } else if (a == "--midi-out") {
      std::string v = value();
      if (v != "alsa" && v.rfind("alsa:", 0) != 0) {
        std::fprintf(stderr, "mirt: --midi-out takes alsa or alsa:CLIENT:PORT, not '%s'\n", v.c_str());
        return 2;
      }
      opt.sound.midiOut = v;
    } else if (a == "--audio-out") {
      opt.audioOut = value();
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "mirt: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    } else if (gameDir.empty()) {
      gameDir = a;
    } else {
      std::fprintf(stderr, "mirt: only one GAME_DIR may be given\n%s", kUsage);
      return 2;
    }
  }
  if (!opt.audioOut.empty() && !(headless && opt.virtualTime)) {
    std::fprintf(stderr, "mirt: --audio-out needs --headless --virtual-time\n");
    return 2;
  }
  if (!opt.sound.soundFont.empty() && access(opt.sound.soundFont.c_str(), R_OK) != 0) {
    std::fprintf(stderr, "mirt: cannot read sound font %s\n", opt.sound.soundFont.c_str());
    return 2;
  }
  if (!headless && (opt.virtualTime || !opt.inputFile.empty() || opt.maxTime)) {
    std::fprintf(stderr, "mirt: --virtual-time, --input and --max-time need --headless\n");
    return 2;
  }
  if (gameDir.empty()) gameDir = HasInitDef(ExecutableDir()) ? ExecutableDir() : ".";
  gameDir = AbsoluteDir(gameDir);
  if (!HasInitDef(gameDir))
    std::fprintf(stderr, "mirt: no init.def in %s\n", gameDir.c_str());
  opt.gameDir = gameDir;

  if (headless) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    std::string error;
    int code = mirt::RunAutomation(opt, &error);
    if (!error.empty()) std::fprintf(stderr, "mirt: %s\n", error.c_str());
    return code;
  }

  QApplication app(argc, argv);
  if (!mirt::AcquireSingleInstanceLock()) {
    QMessageBox::information(nullptr, "Mirt",
                             QString::fromUtf8("既に起動しています。"));
    return 0;
  }
  mirt::QtPlatform platform;
  mirt::Player player(platform);
  player.sound().setOptions(opt.sound);
  platform.setEventHandler(&player);
  if (!opt.traceFile.empty()) player.trace.Open(opt.traceFile);
  mirt::SetCurrentDirectory(gameDir);
  player.FormCreate();
  if (!player.closed()) mirt::RunQtEventLoop();
  player.FormDestroy();
  return 0;
}
