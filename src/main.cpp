// mirt [OPTIONS] [GAME_DIR]: plays the game in GAME_DIR in a window, or
// headless under a script of input actions.
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/GameSource.h"
#include "platform/HostFiles.h"
#include "platform/SaveFolder.h"
#include "platform/ShutdownSignals.h"
#include "platform/SingleInstance.h"
#include "platform/qt/GameChooser.h"
#include "platform/qt/QtPlatform.h"
#include "save/GameFiles.h"
#include "shell/Automation.h"
#include "shell/CommandLine.h"
#include "shell/Player.h"
#include "shell/Preferences.h"

namespace {

std::string ExecutableDir() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "";
  std::string p(buf, n);
  return p.substr(0, p.rfind('/'));
}

// A game folder, a mounted disc's folder, or an .iso or .cue image with a
// game in it.
bool HasInitDef(const std::string& dir) {
  if (mirt::IsImagePath(dir)) return mirt::OpenGameSource(dir, nullptr) != nullptr;
  return !mirt::ResolveExistingIn(dir, "init.def").empty();
}

// What is wrong with a path as a game, "" when it is one.
std::string GameProblem(const std::string& path) {
  std::string why;
  return mirt::OpenGameSource(path, &why) ? "" : why;
}

// The game's files: an image is opened (and, with several games on it, the
// reader picks one); a folder is named as the game folder.
bool UseGameSource(const std::string& path) {
  if (!mirt::IsImagePath(path)) {
    mirt::SetGameFolder(path);
    return true;
  }
  std::string why;
  std::shared_ptr<mirt::GameSource> source = mirt::OpenGameSource(path, &why);
  if (!source) {
    std::fprintf(stderr, "mirt: %s\n", why.c_str());
    return false;
  }
  auto* img = static_cast<mirt::ImageSource*>(source.get());
  if (img->gameFolders().size() > 1 && !mirt::ChooseGameOnDisc(img)) return false;
  mirt::SetGameSource(source);
  return true;
}

std::string AbsoluteDir(const std::string& dir) {
  char* r = realpath(dir.c_str(), nullptr);
  if (!r) return dir;
  std::string s = r;
  free(r);
  return s;
}

// Until the window's platform watches the signal pipe itself, an end
// signal (Ctrl+C, SIGTERM, the session ending) closes whichever start-up
// dialog is open, the second start's message or the game chooser, so the
// program ends there too instead of ignoring it.
class StartupSignalWatch {
 public:
  StartupSignalWatch() {
    if (mirt::SignalPipeFd() < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(mirt::SignalPipeFd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [] {
      if (mirt::TakeSignalRequests() & mirt::kSignalEnd) QApplication::closeAllWindows();
    });
  }

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace

int main(int argc, char** argv) {
  mirt::CommandLine cl = mirt::ParseCommandLine(std::vector<std::string>(argv, argv + argc));
  std::fputs(cl.out.c_str(), stdout);
  std::fputs(cl.err.c_str(), stderr);
  if (cl.exitCode) return *cl.exitCode;
  mirt::AutomationOptions& opt = cl.options;
  const bool headless = cl.headless;
  std::string gameDir = opt.gameDir;
  if (gameDir.empty()) gameDir = HasInitDef(ExecutableDir()) ? ExecutableDir() : ".";
  gameDir = AbsoluteDir(gameDir);
  // No game named and none found: the window asks for one.
  const bool choose = opt.gameDir.empty() && !HasInitDef(gameDir) && !headless;
  if (!HasInitDef(gameDir) && !choose) {
    struct stat st;
    if (mirt::IsImagePath(gameDir) || (::stat(gameDir.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)))
      std::fprintf(stderr, "mirt: %s\n", GameProblem(gameDir).c_str());
    else
      std::fprintf(stderr, "mirt: no init.def in %s\n", gameDir.c_str());
    return 1;
  }
  opt.gameDir = gameDir;
  mirt::InstallShutdownSignals();  // before the lock: a second start may signal us
  const std::string demo = mirt::InstalledDemoFolder(ExecutableDir());

  if (headless) {
    opt.installedDemo = demo;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    std::string error;
    int code = mirt::RunAutomation(opt, &error);
    if (!error.empty()) std::fprintf(stderr, "mirt: %s\n", error.c_str());
    return code;
  }

  QApplication app(argc, argv);
  // Our own settings; the command line overrides them for this run.
  mirt::Preferences prefs;
  mirt::ReadPreferences(mirt::PreferencesPath(), &prefs);
  {
    StartupSignalWatch watch;
    if (!mirt::AcquireSingleInstanceLock()) {
      mirt::AskRunningInstanceToShow();
      if (!mirt::EndSignalled())
        QMessageBox::information(nullptr, "Mirt", QString::fromUtf8("既に起動しています。"));
      return 0;
    }
    if (choose) {
      std::vector<std::string> recent;
      for (const std::string& g : prefs.recentGames)
        if (HasInitDef(g)) recent.push_back(g);
      // The demo that comes with mirt is always offered.
      if (!demo.empty() && std::find(recent.begin(), recent.end(), demo) == recent.end())
        recent.push_back(demo);
      const std::string chosen =
          mirt::EndSignalled() ? "" : mirt::ChooseGameFolder(recent, GameProblem);
      if (chosen.empty() || mirt::EndSignalled()) return 0;
      opt.gameDir = gameDir = AbsoluteDir(chosen);
    }
  }
  if (mirt::EndSignalled()) return 0;
  if (HasInitDef(gameDir)) {
    const std::vector<std::string> before = prefs.recentGames;
    mirt::AddRecentGame(&prefs, gameDir);
    if (prefs.recentGames != before) mirt::WritePreferences(mirt::PreferencesPath(), prefs);
  }
  const int scale = cl.scale.value_or(prefs.scale);
  if (opt.sound.soundFont.empty()) opt.sound.soundFont = prefs.soundFont;
  mirt::QtPlatform platform(scale, cl.scaleFilter.value_or(prefs.filter));
  platform.setAudioDevice(prefs.audioDevice);
  mirt::Player player(platform);
  player.settings().SetWindowScale(scale);
  player.settings().SetClassicControls(prefs.classicControls);
  player.settings().SetAutoSpeed(prefs.autoSpeed);
  player.sound().setOptions(opt.sound);
  platform.setEventHandler(&player);
  if (!opt.traceFile.empty()) player.trace().Open(opt.traceFile);
  if (!UseGameSource(gameDir)) return 1;
  // The installed demo too is played where it lies; its writes go to a
  // folder of the reader's own, as a read-only game's or a disc's do.
  mirt::ChooseSaveFolder(gameDir, demo);
  // The reading aids: the settings file's, or the command line's for this run.
  mirt::TextOutlets& outlets = player.outlets();
  outlets.SetTextHookPort(
      static_cast<uint16_t>(opt.textHookPort ? opt.textHookPort : prefs.textHookPort));
  outlets.SetCopyText(prefs.copyText);
  outlets.SetSpeechSettings(prefs.speech);
  outlets.UseSpeechEngine();
  outlets.SetSelfVoicing(prefs.selfVoicing || opt.selfVoicing);
  player.FormCreate();
  if (!player.closed() && (prefs.textHook || opt.textHook)) {
    outlets.StartTextHook(outlets.textHookPort());
    player.MenuChanged();
  }
  const bool hookAsStarted = outlets.textHook(), voicingAsStarted = outlets.selfVoicing();
  if (!player.closed()) mirt::RunQtEventLoop();
  player.FormDestroy();
  // What the reader changed in the menu is kept; the rest stays as the
  // file had it (an option of this run only is not).
  mirt::Preferences kept = prefs;
  kept.scale =
      player.settings().windowScale() != scale ? player.settings().windowScale() : prefs.scale;
  if (outlets.textHook() != hookAsStarted) kept.textHook = outlets.textHook();
  if (outlets.selfVoicing() != voicingAsStarted) kept.selfVoicing = outlets.selfVoicing();
  kept.copyText = outlets.copyText();
  kept.speech = outlets.speechSettings();
  kept.classicControls = player.settings().classicControls();
  kept.autoSpeed = player.settings().autoSpeed();
  if (kept != prefs) mirt::WritePreferences(mirt::PreferencesPath(), kept);
  return 0;
}
