// mirt [OPTIONS] [GAME_DIR]: plays the game in GAME_DIR in a window, or
// headless under a script of input actions.
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/GameCopy.h"
#include "platform/HostFiles.h"
#include "platform/ShutdownSignals.h"
#include "platform/SingleInstance.h"
#include "platform/qt/GameChooser.h"
#include "platform/qt/QtPlatform.h"
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

bool HasInitDef(const std::string& dir) {
  return !mirt::ResolveExistingIn(dir, "init.def").empty();
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
  if (!HasInitDef(gameDir) && !choose)
    std::fprintf(stderr, "mirt: no init.def in %s\n", gameDir.c_str());
  opt.gameDir = gameDir;
  mirt::InstallShutdownSignals();  // before the lock: a second start may signal us

  if (headless) {
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
  const std::string demo = mirt::InstalledDemoFolder(ExecutableDir());
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
          mirt::EndSignalled() ? "" : mirt::ChooseGameFolder(recent, HasInitDef);
      if (chosen.empty() || mirt::EndSignalled()) return 0;
      opt.gameDir = gameDir = AbsoluteDir(chosen);
    }
  }
  if (mirt::EndSignalled()) return 0;
  {
    // The installed demo cannot keep saves: a copy of the reader's own is played.
    const std::string copy =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString() +
        "/mirt/demo";
    const std::string playable = mirt::PlayableGameFolder(
        gameDir, demo, copy, [](const std::string& d) { return access(d.c_str(), W_OK) == 0; });
    if (playable.empty()) {
      std::fprintf(stderr, "mirt: cannot copy the demo to %s; its saves will not be kept\n",
                   copy.c_str());
    } else if (playable != gameDir) {
      std::fprintf(stderr, "mirt: playing the demo's copy in %s\n", playable.c_str());
      opt.gameDir = gameDir = playable;
    }
  }
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
  player.sound().setOptions(opt.sound);
  platform.setEventHandler(&player);
  if (!opt.traceFile.empty()) player.trace().Open(opt.traceFile);
  mirt::SetGameFolder(gameDir);
  // The reading aids: the settings file's, or the command line's for this run.
  mirt::TextOutlets& outlets = player.outlets();
  outlets.SetTextHookPort(
      static_cast<uint16_t>(opt.textHookPort ? opt.textHookPort : prefs.textHookPort));
  outlets.SetCopyText(prefs.copyText);
  outlets.SetSpeechSettings(prefs.speech);
  outlets.OpenSpeech();
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
  if (kept.scale != prefs.scale || kept.textHook != prefs.textHook ||
      kept.selfVoicing != prefs.selfVoicing || kept.copyText != prefs.copyText ||
      kept.speech.voice != prefs.speech.voice || kept.speech.rate != prefs.speech.rate ||
      kept.speech.volume != prefs.speech.volume)
    mirt::WritePreferences(mirt::PreferencesPath(), kept);
  return 0;
}
