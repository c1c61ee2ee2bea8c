#include "shell/Menu.h"

#include "common/Encoding.h"
#include "save/SaveSlots.h"

namespace mirt {
namespace {

MenuEntry Item(const std::string& name, const char* captionUtf8, bool checked = false) {
  MenuEntry e;
  e.name = name;
  e.caption = utf8ToCp932(captionUtf8);
  e.checked = checked;
  return e;
}

MenuEntry CheckItem(const std::string& name, const char* captionUtf8, bool checked) {
  MenuEntry e = Item(name, captionUtf8, checked);
  e.checkable = true;
  return e;
}

// The reader's menu, after the game's own ones: reading aids that are
// ours. An entry is one line here.
MenuEntry ReadingMenu(const ReadingMenuView& v) {
  MenuEntry reading = Item("Reading", "読書(&R)");
  reading.children.push_back(CheckItem("TextHook", "テキストを外部へ送る(&T)", v.textHook));
  reading.children.push_back(CheckItem("CopyText", "行をクリップボードへ(&C)", v.copyText));
  reading.children.push_back(Item("ReadingSep1", "-"));
  MenuEntry voicing = CheckItem("SelfVoicing", "読み上げ(&V)", v.selfVoicing);
  MenuEntry voice = Item("SpeechSettings", "読み上げの設定(&S)...");
  if (!v.speechMissing.empty()) {
    for (MenuEntry* e : {&voicing, &voice}) {
      e->enabled = false;
      e->tooltip = utf8ToCp932(v.speechMissing);
    }
  }
  reading.children.push_back(voicing);
  reading.children.push_back(voice);
  reading.children.push_back(Item("ReadingSep2", "-"));
  reading.children.push_back(CheckItem("AutoMode", "自動で読み進める(&A)", v.autoMode));
  MenuEntry pace = Item("AutoSpeed", "自動の速さ(&E)");
  const char* paces[3] = {"速い", "標準", "遅い"};
  for (int i = 0; i < 3; ++i)
    pace.children.push_back(
        Item("AutoSpeed" + std::to_string(i + 1), paces[i], v.autoSpeed == i + 1));
  reading.children.push_back(pace);
  reading.children.push_back(CheckItem("SkipRead", "既読スキップ(&K)", v.skipRead));
  // The reader's own saves.
  reading.children.push_back(Item("ReadingSep3", "-"));
  MenuEntry quickSave = Item("QuickSave", "クイックセーブ(&Q)\tF5");
  quickSave.enabled = v.saveEnabled;
  MenuEntry quickLoad = Item("QuickLoad", "クイックロード(&D)\tF9");
  quickLoad.enabled = v.loadEnabled;
  reading.children.push_back(quickSave);
  reading.children.push_back(quickLoad);
  reading.children.push_back(Item("Rollback", "一つ前へ戻る(&B)"));
  reading.children.push_back(Item("SaveLoad", "セーブ/ロード…"));
  reading.children.push_back(Item("ReadingSep4", "-"));
  reading.children.push_back(CheckItem("ClassicControls", "従来の操作のみ", v.classicControls));
  return reading;
}

const MenuEntry* FindIn(const std::vector<MenuEntry>& list, const std::string& name) {
  for (const MenuEntry& e : list) {
    if (e.name == name) return &e;
    if (const MenuEntry* c = FindIn(e.children, name)) return c;
  }
  return nullptr;
}

}  // namespace

std::vector<MenuEntry> BuildMenuBar(const MenuView& view) {
  std::vector<MenuEntry> bar;
  MenuEntry file = Item("File", "ファイル(&F)");
  MenuEntry save = Item("Save", "セーブ");
  MenuEntry load = Item("Load", "ロード");
  static const SaveSlots kNeverSaved;
  const SaveSlots& slots = view.saveSlots ? *view.saveSlots : kNeverSaved;
  for (int i = 0; i < SaveSlots::kCount; ++i) {
    const std::string& caption = slots.caption(i);
    MenuEntry s = Item("SaveDat" + std::to_string(i), "");
    s.caption = caption;
    MenuEntry l = Item("LoadDat" + std::to_string(i), "");
    l.caption = caption;
    save.children.push_back(s);
    load.children.push_back(l);
  }
  save.enabled = slots.saveEnabled();  // ONSAVE, ONLOAD
  load.enabled = slots.loadEnabled();
  file.children.push_back(save);
  file.children.push_back(load);
  file.children.push_back(Item("N2", "画面の保存"));
  file.children.push_back(Item("N4", "-"));
  MenuEntry exit = Item("Exit1", "終了");
  exit.children.push_back(Item("N1", "タイトルに戻る"));
  exit.children.push_back(Item("N5", "ゲームを終了する"));
  file.children.push_back(exit);
  bar.push_back(file);

  bar.push_back(Item("SKIP", "次の選択肢まで進む(&S)"));

  MenuEntry config = Item("Config", "設定(&C)");
  MenuEntry display = Item("DisplayMode", "解像度の変更(&D)");
  display.children.push_back(Item("FullMode", "フルスクリーン表示", view.fullScreen));
  display.children.push_back(Item("WindowMode", "ウィンドウ表示", !view.fullScreen));
  // Entries of our own: the window's size in window display.
  display.children.push_back(Item("ScaleSep", "-"));
  const char* scales[3] = {"等倍 (640 x 480)", "2 倍 (1280 x 960)", "3 倍 (1920 x 1440)"};
  for (int i = 0; i < 3; ++i)
    display.children.push_back(
        Item("Scale" + std::to_string(i + 1), scales[i], view.windowScale == i + 1));
  config.children.push_back(display);
  MenuEntry speed = Item("MESSAGE1", "メッセージスピードの変更(&M)");
  const char* speeds[5] = {"速い", "やや速い", "標準", "やや遅い", "遅い"};
  for (int i = 0; i < 5; ++i)
    speed.children.push_back(Item("vol" + std::to_string(i + 1), speeds[i], view.speed == i + 1));
  config.children.push_back(speed);
  config.children.push_back(Item("P1", "テキストをページ単位で表示する(&P)", view.pageMode));
  config.children.push_back(Item("volume", "音量設定(&V)"));
  MenuEntry top = Item("N3", "常に手前で表示", true);
  top.visible = false;
  config.children.push_back(top);
  bar.push_back(config);

  MenuEntry help = Item("Help", "ヘルプ(&H)");
  help.children.push_back(Item("About1", "バージョン情報"));
  bar.push_back(help);

  bar.push_back(ReadingMenu(view.reading));
  return bar;
}

const MenuEntry* FindMenuEntry(const std::vector<MenuEntry>& bar, const std::string& name) {
  return FindIn(bar, name);
}

bool IsMenuItemName(const std::string& name) {
  for (const char* other : {"QuickSave", "QuickLoad", "Rollback", "SaveLoad"})
    if (name == other) return true;
  static const std::vector<MenuEntry> bar = BuildMenuBar(MenuView());
  return FindIn(bar, name) != nullptr;
}

}  // namespace mirt
