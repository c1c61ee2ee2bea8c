#include "shell/Automation.h"

#include <QJsonDocument>
#include <array>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "common/Encoding.h"
#include "platform/GameSource.h"
#include "platform/HostFiles.h"
#include "platform/ShutdownSignals.h"
#include "platform/VolumeDialog.h"
#include "platform/headless/HeadlessPlatform.h"
#include "save/GameFiles.h"
#include "save/GameStateJson.h"
#include "shell/Menu.h"
#include "shell/Player.h"

namespace mirt {
namespace {

std::string Absolute(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char buf[4096];
  if (!getcwd(buf, sizeof buf)) return path;
  return std::string(buf) + "/" + path;
}

struct Driver {
  HeadlessPlatform& platform;
  Player& player;
  int pointerX = 0, pointerY = 0;

  // Lets ms pass, firing Timer2 on the way.
  void Pass(uint32_t ms) {
    uint32_t target = platform.tickCount() + ms;
    while (!player.closed() && !EndSignalled()) {
      if (platform.timer2Running()) {
        uint32_t tick = platform.nextTick();
        int32_t late = static_cast<int32_t>(platform.tickCount() - tick);
        if (late >= 0) {  // a tick due while a handler ran fires now, once
          platform.setNextTick(platform.tickCount() + 100);
          player.timer2Timer();
          continue;
        }
        if (static_cast<int32_t>(target - tick) >= 0) {
          platform.advanceTo(tick);
          platform.setNextTick(tick + 100);
          player.timer2Timer();
          continue;
        }
      }
      platform.advanceTo(target);
      break;
    }
  }

  void MoveTo(int x, int y) {
    if (x == pointerX && y == pointerY) return;
    pointerX = x;
    pointerY = y;
    player.formMouseMove(x, y);
  }
};

int KeyCode(const std::string& name) {
  if (name == "Enter" || name == "Return") return kKeyEnter;
  if (name == "Up") return kKeyUp;
  if (name == "Down") return kKeyDown;
  if (name == "Escape") return kKeyEscape;
  if (name == "Space") return kKeySpace;
  if (name == "PageUp") return kKeyPageUp;
  if (name == "PageDown") return kKeyPageDown;
  if (name == "F5") return kKeyF5;
  if (name == "F9") return kKeyF9;
  if (name == "Control") return kKeyControl;
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
    return std::toupper(static_cast<unsigned char>(name[0]));
  return -1;
}

// The pad actions' button names.
constexpr std::pair<const char*, PadButton> kPadButtonNames[] = {
    {"a", PadButton::A},
    {"b", PadButton::B},
    {"x", PadButton::X},
    {"y", PadButton::Y},
    {"back", PadButton::Back},
    {"start", PadButton::Start},
    {"leftshoulder", PadButton::LeftShoulder},
    {"rightshoulder", PadButton::RightShoulder},
    {"dpup", PadButton::DpadUp},
    {"dpdown", PadButton::DpadDown},
    {"dpleft", PadButton::DpadLeft},
    {"dpright", PadButton::DpadRight},
};

std::optional<PadButton> PadButtonByName(const std::string& name) {
  for (const auto& [n, b] : kPadButtonNames)
    if (name == n) return b;
  return std::nullopt;
}

bool SavePng(const QImage& img, const std::string& path) {
  return img.save(QString::fromStdString(path), "PNG");
}

// The screen layers by their names, for the layer action.
QImage Layers::*LayerByName(const std::string& name) {
  if (name == "ScreenImage") return &Layers::screen;
  if (name == "SceneImage") return &Layers::scene;
  if (name == "BoxImage") return &Layers::box;
  if (name == "TextImage") return &Layers::text;
  if (name == "SavedWindowImage") return &Layers::savedWindow;
  return nullptr;
}

}  // namespace

QJsonObject DumpState(Player& p) {
  JsonObject o;
  o.Str("scenario", FieldString(p.state().scenarioName, 80));
  o.Int("position", p.script().scenario().position());
  {
    const ImageSource* img = CurrentImage();
    o.Obj("gameSource", JsonObject()
                            .Utf8("kind", img ? "image" : "folder")
                            .Utf8("path", img ? img->path() : GameFolder()));
  }
  QJsonArray ints, strs;
  for (int i = 0; i < p.state().intCount && i < kIntVarCount; ++i)
    ints.append(
        JsonObject().Str("name", p.vars().IntName(i)).Int("value", p.vars().ints[i].value).json());
  for (int i = 0; i < p.state().stringCount && i < kStrVarCount; ++i)
    strs.append(
        JsonObject().Str("name", p.vars().StrName(i)).Str("value", p.vars().StringValue(i)).json());
  o.Arr("ints", ints).Arr("strings", strs);
  o.Int("intCount", p.state().intCount).Int("stringCount", p.state().stringCount);
  o.Obj("pen", JsonObject().Int("x", p.message().penX()).Int("y", p.message().penY()));
  o.Int("page", p.history().page()).Bool("pageFull", p.message().pageFull() != 0);
  o.Int("storyState", int(p.storyState())).Bool("skipMode", p.skipMode());
  o.Obj("reader", JsonObject()
                      .Bool("auto", p.settings().autoMode())
                      .Bool("skipRead", p.skippingRead())
                      .Bool("classicControls", p.settings().classicControls())
                      .Int("rollbackSteps", p.rollbackSteps())
                      .Bool("quickSave", p.quickSaveExists()));
  o.Bool("choicePending", p.choices().pending());
  o.Bool("pictureChoicePending", p.choices().picturePending());
  {
    // The choices on offer: each with the rectangle a point must lie
    // strictly inside to be on it.
    Choices& c = p.choices();
    QJsonArray items;
    for (int j = 0; c.pending() && j < c.count(); ++j) {
      const QRect r = c.Rect(p.text(), j);
      items.append(JsonObject()
                       .Str("text", c.text(j))
                       .Arr("rect", IntArray(std::array{r.x(), r.y(), r.x() + r.width(),
                                                        r.y() + r.height()}))
                       .Str("target", c.target(j))
                       .Bool("highlighted", j == c.selected())
                       .json());
    }
    o.Obj("choices", JsonObject()
                         .Int("count", c.count())
                         .Int("selected", c.selected())
                         .Bool("pointerOnChoice", c.pointerOnChoice())
                         .Arr("items", items));
    const PictureChoices& pc = c.pictures();
    QJsonArray buttons;
    for (int j = 0; pc.pending() && j < pc.count(); ++j) {
      const PictureChoices::Button& b = pc.button(j);
      buttons.append(JsonObject()
                         .Str("normal", b.normal)
                         .Str("over", b.over)
                         .Str("pressed", b.pressed)
                         .Arr("rect", IntArray(std::array{b.x, b.y, b.right, b.bottom}))
                         .Bool("transparent", b.transparent != 0)
                         .Str("target", b.target)
                         .Bool("highlighted", b.highlighted != 0)
                         .json());
    }
    o.Obj(
        "pictureChoices",
        JsonObject().Int("count", pc.count()).Int("current", pc.current()).Arr("buttons", buttons));
    // The cursor the state names, and what the window shows.
    JsonObject cursor;
    cursor.Str("file", FieldString(p.state().cursorName, sizeof p.state().cursorName))
        .Int("custom", p.state().customCursor);
    if (auto* headless = dynamic_cast<HeadlessPlatform*>(&p.platform())) {
      const QImage& img = headless->cursorImage;
      cursor.Bool("shown", !img.isNull())
          .Arr("size", IntArray(std::array{img.width(), img.height()}))
          .Arr("hotspot", IntArray(std::array{headless->cursorHotX, headless->cursorHotY}));
    }
    o.Obj("cursor", cursor);
  }
  // What a screen reader is told (the window's accessible description), the
  // note last shown over the picture, and the save dialog while it is open.
  if (auto* headless = dynamic_cast<HeadlessPlatform*>(&p.platform())) {
    o.Str("accessibleText", headless->accessibleText)
        .Int("menuBarOpened", headless->menuBarOpened)
        .Str("note", headless->note);
    if (headless->saveDialog()) {
      QJsonArray entries;
      for (const SaveDialogEntry& e : headless->saveDialog()->entries)
        entries.append(JsonObject()
                           .Utf8("slot", e.slot == SaveDialogEntry::kQuickSlot
                                             ? std::string("quick")
                                             : std::to_string(e.slot))
                           .Str("caption", e.caption)
                           .Str("line", e.line)
                           .Bool("picture", !e.picture.isNull())
                           .Bool("saved", e.saved)
                           .json());
      o.Obj("saveDialog", JsonObject()
                              .Bool("saveEnabled", headless->saveDialog()->saveEnabled)
                              .Bool("loadEnabled", headless->saveDialog()->loadEnabled)
                              .Arr("entries", entries));
    }
  }
  o.Bool("pageMode", p.settings().pageMode()).Int("charDelay", p.message().speed().delay());
  o.Arr("speeds", IntArray(p.script().scenario().defs().speeds));
  o.Str("caption", FieldString(p.state().caption, sizeof p.state().caption));
  o.Int("pauseLength", p.state().pauseLength);
  {
    // Text settings of the message window, and those of the history window.
    const GameState& s = p.state();
    auto rect = [](int32_t l, int32_t t, int32_t r, int32_t b) {
      return JsonObject().Int("left", l).Int("top", t).Int("right", r).Int("bottom", b);
    };
    auto xy = [](int32_t x, int32_t y) { return JsonObject().Int("x", x).Int("y", y); };
    o.Obj("text", JsonObject()
                      .Str("fontName", FieldString(s.fontName, sizeof s.fontName))
                      .Int("fontSize", s.fontSize)
                      .Int("colour", p.message().textColour())
                      .Int("choiceColour", s.choiceColour)
                      .Int("highlightColour", s.highlightColour)
                      .Obj("origin", xy(s.textOriginX, s.textOriginY))
                      .Int("lineSpacing", s.lineSpacing)
                      .Obj("box", rect(s.boxLeft, s.boxTop, s.boxRight, s.boxBottom))
                      .Arr("boxColour", IntArray(s.boxColour))
                      .Int("boxOpacity", s.boxOpacity)
                      .Obj("indicator", JsonObject()
                                            .Bool("enabled", s.indicatorEnabled != 0)
                                            .Int("mode", s.indicatorMode)
                                            .Int("period", s.indicatorPeriod))
                      .Int("speedIndex", s.speedIndex));
    // The history's text: pages of lines, oldest first, the last being written.
    QJsonArray pages;
    for (const std::vector<std::string>& page : p.history().pages()) {
      QJsonArray lines;
      for (const std::string& line : page) lines.append(QString::fromStdString(cp932ToUtf8(line)));
      pages.append(lines);
    }
    o.Obj(
        "history",
        JsonObject()
            .Int("enabled", s.historyEnabled)
            .Str("fontName", FieldString(s.historyFontName, sizeof s.historyFontName))
            .Int("fontSize", s.historyFontSize)
            .Int("colour", s.historyTextColour)
            .Obj("box", rect(s.historyLeft, s.historyTop, s.historyRight, s.historyBottom))
            .Obj("origin", xy(s.historyOriginX, s.historyOriginY))
            .Int("lineSpacing", s.historyLineSpacing)
            .Int("screenMode", s.historyMode)
            .Obj("picture", JsonObject()
                                .Str("name", FieldString(s.historyPicture, sizeof s.historyPicture))
                                .Int("x", s.historyPictureX)
                                .Int("y", s.historyPictureY))
            .Arr("tint", IntArray(s.historyTint))
            .Arr("pages", pages)
            .Obj("viewer", JsonObject()
                               .Bool("open", p.storyState() == StoryState::History)
                               .Int("page", p.historyViewer().viewPage())
                               .Int("hover", p.historyViewer().hover())));
  }
  JsonObject menu;
  std::function<void(const std::vector<MenuEntry>&)> walk =
      [&](const std::vector<MenuEntry>& list) {
        for (const MenuEntry& e : list) {
          menu.Obj(e.name.c_str(), JsonObject()
                                       .Str("caption", e.caption)
                                       .Bool("checked", e.checked)
                                       .Bool("enabled", e.enabled)
                                       .Bool("visible", e.visible));
          walk(e.children);
        }
      };
  walk(p.MenuBar());
  o.Obj("menu", menu);
  // Pictures: the background, the ten character slots, the box.
  o.Str("background", FieldString(p.state().backgroundName, sizeof p.state().backgroundName));
  o.Int("backgroundLoaded", p.state().backgroundLoaded).Int("fadeColour", p.state().fadeColour);
  QJsonArray chars;
  for (int i = 0; i < kCharacterSlots; ++i) {
    chars.append(JsonObject()
                     .Str("name", FieldString(p.state().charName[i], sizeof p.state().charName[i]))
                     .Int("x", p.state().charX[i])
                     .Int("y", p.state().charY[i])
                     .Int("mode", p.state().charMode[i])
                     .Int("shown", p.state().charShown[i])
                     .Int("keep", p.state().charKeep[i])
                     .Int("showWhileHidden", p.state().charShowWhileHidden[i])
                     .Int("inScene", p.state().charInScene[i])
                     .json());
  }
  o.Arr("characters", chars);
  // Where the game's writes go: its own folder, or the reader's save folder.
  o.Utf8("saveFolder", Absolute(!SaveFolder().empty()   ? SaveFolder()
                                : !GameFolder().empty() ? GameFolder()
                                                        : "."));
  o.Obj("box", JsonObject()
                   .Int("opacity", p.state().boxOpacity)
                   .Arr("colour", IntArray(p.state().boxColour))
                   .Arr("rect", IntArray(std::array{p.state().boxLeft, p.state().boxTop,
                                                    p.state().boxRight, p.state().boxBottom})));
  JsonObject snd;
  snd.Str("midiName", FieldString(p.state().midiName, sizeof p.state().midiName))
      .Int("midiMode", p.state().midiMode)
      .Str("waveName", FieldString(p.state().waveName, sizeof p.state().waveName))
      .Int("waveMode", p.state().waveMode)
      .Int("cdMode", p.state().cdMode)
      .Int("cdTrack", p.state().cdTrack);
  if (p.sound().started()) {
    snd.Bool("musicPlaying", p.sound().musicPlaying())
        .Bool("songLoaded", p.sound().songLoaded())
        .Bool("wavePlaying", p.sound().wavePlaying())
        .Int("cdCurrentTrack", p.sound().cdCurrentTrack())
        .Int("waveVolume", p.sound().volume(SoundDevice::Wave))
        .Int("midiVolume", p.sound().volume(SoundDevice::Midi))
        .Int("cdVolume", p.sound().volume(SoundDevice::Cd));
  }
  o.Obj("sound", snd);
  // The game state record, live and as of the last save point.
  o.Obj("live", GameStateJson(p.state())).Obj("savePoint", GameStateJson(p.record().savePoint()));
  // The volume dialog while the harness holds it open: what each column shows.
  auto* headless = dynamic_cast<HeadlessPlatform*>(&p.platform());
  if (VolumeDialog* dialog = headless ? headless->volumeDialog() : nullptr) {
    JsonObject columns;
    for (SoundDevice d : {SoundDevice::Wave, SoundDevice::Midi, SoundDevice::Cd}) {
      const VolumeDialog::Column& c = dialog->column(d);
      columns.Obj(VolumeDeviceName(d), JsonObject()
                                           .Int("position", c.position)
                                           .Bool("sliderEnabled", c.sliderEnabled)
                                           .Bool("muted", c.muted)
                                           .Bool("muteEnabled", c.muteEnabled));
    }
    o.Obj("volumeDialog", columns);
  }
  return o.json();
}

int RunAutomation(const AutomationOptions& opt, std::string* error) {
  auto fail = [&](const std::string& msg) {
    if (error) *error = msg;
    return 2;
  };
  std::vector<std::string> lines;
  if (!opt.inputFile.empty()) {
    std::ifstream in(opt.inputFile);
    if (!in) return fail("cannot read input file " + opt.inputFile);
    std::string l;
    while (std::getline(in, l)) {
      if (!l.empty() && l.back() == '\r') l.pop_back();
      lines.push_back(l);
    }
  }
  std::string trace = Absolute(opt.traceFile);

  struct Action {
    std::string verb, rest;
    std::vector<std::string> args;
  };
  std::vector<Action> actions;
  for (std::string& l : lines) {
    size_t hash = l.find('#');
    std::istringstream ss(l);
    Action a;
    if (!(ss >> a.verb) || a.verb[0] == '#') continue;
    std::getline(ss, a.rest);
    size_t b = a.rest.find_first_not_of(" \t");
    a.rest = b == std::string::npos ? "" : a.rest.substr(b);
    // Comments end every action but the texts of input and savefile.
    if (a.verb != "input" && a.verb != "savefile" && hash != std::string::npos) {
      size_t h = a.rest.find('#');
      if (h != std::string::npos) a.rest.resize(h);
      while (!a.rest.empty() && (a.rest.back() == ' ' || a.rest.back() == '\t')) a.rest.pop_back();
    }
    std::istringstream rs(a.rest);
    for (std::string w; rs >> w;) a.args.push_back(w);
    static const char* kVerbs[] = {
        "wait",  "click",  "rclick", "move",   "press", "release",   "key",        "keydown",
        "keyup", "wheel",  "menu",   "answer", "input", "savefile",  "screenshot", "dump",
        "layer", "volume", "slider", "mute",   "close", "savedialog"};
    static const char* kPadVerbs[] = {"pad", "padhold", "padrelease"};
    bool known = false;
    for (const char* v : kVerbs) known |= a.verb == v;
    for (const char* v : kPadVerbs) known |= a.verb == v;
    if (!known) return fail("unknown action: " + a.verb);
    if (a.verb == "screenshot" || a.verb == "dump") a.rest = Absolute(a.rest);
    if (a.verb == "layer") {
      if (a.args.size() != 2 || !LayerByName(a.args[0]))
        return fail("layer needs a layer name and a file: " + a.rest);
      a.args[1] = Absolute(a.args[1]);
    }
    // A mistyped name would otherwise let a test pass that acts on nothing.
    if (a.verb == "menu" && !IsMenuItemName(a.rest)) return fail("unknown menu item: " + a.rest);
    if ((a.verb == "keydown" || a.verb == "keyup") && a.rest != "Control")
      return fail(a.verb + " needs Control: " + a.rest);
    if (a.verb == "wheel" && a.rest != "up" && a.rest != "down")
      return fail("wheel needs up or down: " + a.rest);
    SoundDevice device;
    if (a.verb == "slider" && (a.args.size() != 2 || !ParseVolumeDevice(a.args[0], &device) ||
                               a.args[1].find_first_not_of("0123456789") != std::string::npos ||
                               std::atoi(a.args[1].c_str()) > kVolumeSliderMax))
      return fail("slider needs wave, midi or cd and a position 0..10: " + a.rest);
    if (a.verb == "mute" && (a.args.size() != 1 || !ParseVolumeDevice(a.args[0], &device)))
      return fail("mute needs wave, midi or cd: " + a.rest);
    if (a.verb == "savedialog" &&
        !(a.args.empty() || (a.args.size() == 1 && a.args[0] == "close") ||
          (a.args.size() == 2 && (a.args[0] == "save" || a.args[0] == "load") &&
           (a.args[1] == "quick" ||
            (a.args[1].size() == 1 && a.args[1][0] >= '0' && a.args[1][0] <= '9')))))
      return fail("savedialog takes nothing, close, or save|load 0..9|quick: " + a.rest);
    if (a.verb.starts_with("pad") && (a.args.size() != 1 || !PadButtonByName(a.args[0]))) {
      std::string names;
      for (const auto& entry : kPadButtonNames)
        names += (names.empty() ? "" : "|") + std::string(entry.first);
      return fail(a.verb + " needs " + names + ": " + a.rest);
    }
    actions.push_back(a);
  }

  // A disc image is opened before anything plays: one that cannot be read
  // ends the run with what is wrong with it.
  std::shared_ptr<GameSource> image;
  if (!opt.gameDir.empty() && IsImagePath(opt.gameDir)) {
    std::string why;
    image = OpenGameSource(opt.gameDir, &why);
    if (!image) return fail(why);
  }

  HeadlessPlatform platform(opt.virtualTime);
  if (opt.maxTime) platform.setTimeLimit(*opt.maxTime);
  if (!opt.audioOut.empty() && !platform.setAudioOut(Absolute(opt.audioOut)))
    return fail("cannot write audio file " + opt.audioOut);
  Player player(platform);
  player.sound().setOptions(opt.sound);
  platform.setEventHandler(&player);
  if (!trace.empty()) player.trace().Open(trace);
  // The story plays on without a hook whose port is taken.
  if (opt.textHook && !player.outlets().StartTextHook(
                          opt.textHookPort ? opt.textHookPort : player.outlets().textHookPort()))
    std::fprintf(stderr, "mirt: %s\n", player.outlets().textHookError().c_str());
  player.outlets().SetSelfVoicing(opt.selfVoicing);
  // The run names the game folder for its own length and gives the caller's back.
  struct FolderScope {
    std::string saved = GameFolder();
    std::string savedSaveFolder = SaveFolder();
    std::shared_ptr<GameSource> savedSource = CurrentGameSource();
    ~FolderScope() {
      SetGameFolder(saved);
      SetSaveFolder(savedSaveFolder);
      if (savedSource && savedSource->kind() == GameSource::Kind::kImage)
        SetGameSource(savedSource);
    }
  } folderScope;
  if (image) {
    // With several games on the disc the run plays the first and says so.
    auto* img = static_cast<ImageSource*>(image.get());
    if (img->gameFolders().size() > 1) {
      std::fprintf(stderr, "mirt: %s holds %zu games; playing the one in %s\n", opt.gameDir.c_str(),
                   img->gameFolders().size(),
                   img->gameFolder().empty() ? "/" : cp932ToUtf8(img->gameFolder()).c_str());
      player.TraceEvent("gameChoice", JsonObject()
                                          .Utf8("path", opt.gameDir)
                                          .Str("folder", img->gameFolder())
                                          .Int("games", int(img->gameFolders().size())));
    }
    SetGameSource(image);
  } else if (!opt.gameDir.empty()) {
    SetGameFolder(opt.gameDir);
  }
  // A save folder the caller has named already stays.
  if (!opt.gameDir.empty() && SaveFolder().empty())
    ChooseSaveFolder(opt.gameDir, opt.installedDemo);
  Driver d{platform, player};

  int code = 0;
  try {
    player.FormCreate();
    // Let the first tick's click start the story.
    while (!player.closed() && !player.started()) d.Pass(1);
    for (const Action& a : actions) {
      if (player.closed() || EndSignalled()) break;
      auto xy = [&](size_t i) { return std::atoi(a.args[i].c_str()); };
      if (a.verb == "wait") {
        d.Pass(a.args.empty() ? 0 : static_cast<uint32_t>(std::max(0, xy(0))));
      } else if (a.verb == "click" || a.verb == "press") {
        if (a.args.size() >= 2) d.MoveTo(xy(0), xy(1));
        platform.setLeftButton(true);
        player.formMouseDown(MouseButton::Left, d.pointerX, d.pointerY);
        if (a.verb == "click") {
          platform.setLeftButton(false);
          if (!player.closed()) player.formClick();
        }
      } else if (a.verb == "release") {
        platform.setLeftButton(false);
        player.formClick();
      } else if (a.verb == "rclick") {
        if (a.args.size() >= 2) d.MoveTo(xy(0), xy(1));
        player.formMouseDown(MouseButton::Right, d.pointerX, d.pointerY);
      } else if (a.verb == "move") {
        if (a.args.size() >= 2) d.MoveTo(xy(0), xy(1));
      } else if (a.verb == "key") {
        int k = KeyCode(a.rest);
        if (k >= 0) player.formKeyDown(k);
      } else if (a.verb == "keydown") {
        player.formKeyDown(kKeyControl);
      } else if (a.verb == "keyup") {
        player.formKeyUp(kKeyControl);
      } else if (a.verb == "wheel") {
        player.formWheel(a.rest == "down" ? 1 : -1);
      } else if (a.verb == "menu") {
        player.menuActivated(a.rest);
      } else if (a.verb == "answer") {
        platform.answers.push_back(a.rest != "no");
      } else if (a.verb == "input") {
        if (a.rest.empty())
          platform.inputs.push_back(std::nullopt);
        else
          platform.inputs.push_back(utf8ToCp932(a.rest));
      } else if (a.verb == "savefile") {
        platform.saveFiles.push_back(a.rest.empty() ? "" : Absolute(a.rest));
      } else if (a.verb == "screenshot") {
        SavePng(platform.window().isNull() ? player.screen().layers().screen : platform.window(),
                a.rest);
      } else if (a.verb == "layer") {
        SavePng(player.screen().layers().*LayerByName(a.args[0]), a.args[1]);
      } else if (a.verb == "volume") {
        player.menuActivated("volume");
      } else if (a.verb == "slider" || a.verb == "mute") {
        // Acts in the open volume dialog; without one there is nothing to move.
        SoundDevice device;
        VolumeDialog* dialog = platform.volumeDialog();
        if (dialog && ParseVolumeDevice(a.args[0], &device)) {
          if (a.verb == "slider")
            dialog->BarChange(device, xy(1));
          else
            dialog->MuteClick(device);
        }
      } else if (a.verb == "close") {
        if (VolumeDialog* dialog = platform.volumeDialog()) dialog->Exit1Click();
        platform.closeVolumeDialog();
      } else if (a.verb == "savedialog") {
        // Opens the dialog, or acts in the open one as its buttons do.
        if (a.args.empty()) {
          player.menuActivated("SaveLoad");
        } else if (a.args[0] == "close") {
          platform.closeSaveDialog();
        } else {
          platform.closeSaveDialog(
              a.args[0] == "save" ? SaveDialogAction::Save : SaveDialogAction::Load,
              a.args[1] == "quick" ? SaveDialogEntry::kQuickSlot : a.args[1][0] - '0');
        }
      } else if (a.verb == "pad" || a.verb == "padhold" || a.verb == "padrelease") {
        const PadButton b = *PadButtonByName(a.args[0]);
        if (a.verb != "padrelease") player.padButton(b, true);
        if (a.verb != "padhold" && !player.closed()) player.padButton(b, false);
      } else if (a.verb == "dump") {
        std::ofstream(a.rest)
            << QJsonDocument(DumpState(player)).toJson(QJsonDocument::Compact).toStdString()
            << "\n";
      }
    }
    if (!player.closed()) player.menuActivated("N5");
  } catch (const TimeLimitReached&) {
    code = 3;
  }
  platform.setTimeLimit(0xFFFFFFFFu);
  platform.closeVolumeDialog();                      // it works on the player's sound
  platform.closeSaveDialog();                        // it acts on the player
  if (!player.closed()) player.menuActivated("N5");  // a signal ended the run
  player.FormDestroy();
  return code;
}

}  // namespace mirt
