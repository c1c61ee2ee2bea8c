// The reader's own saves through the headless player: the quick slot and
// its note, the way back over pages, a choice and a scenario switch, and
// the save dialog with the slots' pictures.
#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>

#include "GameFixture.h"
#include "save/SlotFile.h"

using namespace mirt_test;

namespace {

using Strings = std::vector<std::string>;

Strings SlotFiles(const GameDir& g) {
  Strings names;
  for (const auto& e : fs::directory_iterator(g.Path("")))
    if (e.path().extension() == ".dat") names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

Strings OkOf(const GameDir& g, const std::string& ev) {
  Strings out;
  for (const QJsonObject& e : g.EventsOf(ev)) out.push_back(JsonText(e.value("ok")));
  return out;
}

}  // namespace

TEST(ReaderSaves, QuickSaveAndLoadUseTheirOwnSlotAndTellTheReader) {
  GameDir g;
  g.Script(kSavePointStory);
  // Nothing to load at first; a quick save on the first page, before the
  // story's first save point, goes back to the story's start.
  g.Run("menu QuickLoad\ndump " + g.Path("none.json") +
        "\nmenu QuickSave\nclick\nmenu QuickLoad\n");
  const QJsonObject none = g.Dump("none.json");
  EXPECT_EQ(Str(none["note"]), "クイックセーブがありません");
  EXPECT_EQ(At(none, "reader.quickSave"), false);
  EXPECT_EQ(OkOf(g, "quickload"), (Strings{"false", "true"}));
  EXPECT_EQ(g.Texts(), (Strings{"one", "two", "one"}));

  const QJsonObject d = g.RunAndDump("click\nclick\nmenu QuickSave\ndump " + g.Path("saved.json") +
                                     "\nclick\nmenu QuickLoad\n");
  const QJsonObject saved = g.Dump("saved.json");
  EXPECT_EQ(Str(saved["note"]), "クイックセーブしました");
  EXPECT_EQ(At(saved, "reader.quickSave"), true);
  EXPECT_EQ(Str(d["note"]), "クイックロードしました");
  // It loads as a menu slot does: back to the page start, the variables as
  // at saving, and the story goes on from there.
  EXPECT_EQ(g.Texts(), (Strings{"one", "two", "three", "four", "two"}));
  EXPECT_EQ(Var(d, "n"), 5);
  EXPECT_EQ(OkOf(g, "quicksave"), Strings{"true"});
  EXPECT_EQ(OkOf(g, "quickload"), Strings{"true"});
  EXPECT_TRUE(g.EventsOf("save").empty());
  // The slot file's layout, in the game's save folder, none of the ten.
  EXPECT_EQ(SlotFiles(g), (Strings{"mirt-quick.dat", "mirt-read.dat"}));
  const std::string quick = g.Read("mirt-quick.dat");
  ASSERT_EQ(quick.size(), mirt::kSlotFileBytes);
  EXPECT_EQ(quick.substr(0, 3), "Q: ");
  // Its caption is what the dialog shows for it.
  g.Run("savedialog\ndump " + g.Path("dialog.json") + "\n");
  EXPECT_EQ(Str(At(g.Dump("dialog.json"), "saveDialog.entries.10.caption")),
            mirt::cp932ToUtf8(quick.substr(0, quick.find('\0'))));

  // A quick save that cannot be written leaves the old file and says so;
  // ONSAVE 0 and ONLOAD 0 shut the quick slot as they shut the menu's.
  fs::rename(g.Path("mirt-quick.dat"), g.Path("kept.dat"));
  fs::create_directory(g.Path("mirt-quick.dat"));
  g.Run("click\nmenu QuickSave\n");
  EXPECT_EQ(g.Messages(), Strings{"セーブできませんでした。"});
  EXPECT_EQ(OkOf(g, "quicksave"), Strings{"false"});
  fs::remove(g.Path("mirt-quick.dat"));
  fs::rename(g.Path("kept.dat"), g.Path("mirt-quick.dat"));
  g.Script("~ONSAVE 0\n~ONLOAD 0\n\"shut\"\\n\n");
  const QJsonObject shut = g.RunAndDump("menu QuickSave\nmenu QuickLoad\n");
  EXPECT_EQ(OkOf(g, "quicksave"), Strings{"false"});
  EXPECT_EQ(OkOf(g, "quickload"), Strings{"false"});
  EXPECT_EQ(At(shut, "menu.QuickSave.enabled"), false);
  EXPECT_EQ(At(shut, "menu.QuickLoad.enabled"), false);
  EXPECT_EQ(g.Read("mirt-quick.dat"), quick);
}

TEST(ReaderSaves, RollbackReturnsToEachPageStartWithVariablesRandomAndHistory) {
  GameDir g;
  g.Script("!c:0!\n"
           "\"one\"\\p\n"
           "~RANDOM r,1,30000\n"
           "~MATH c=c+1\n"
           "\"two\"\\p\n"
           "~MATH c=c+10\n"
           "\"three\"\\p\n"
           "\"four\"\\p\n");
  const std::string dump = "dump " + g.Path("%.json") + "\n";
  auto at = [&](const std::string& name) {
    std::string s = dump;
    s.replace(s.find('%'), 1, name);
    return s;
  };
  const QJsonObject end =
      g.RunAndDump("click\nclick\n" + at("three") + "menu Rollback\n" + at("two") +
                   "menu Rollback\n" + at("one") + "menu Rollback\nclick\nclick\nclick\n");
  const QJsonObject three = g.Dump("three.json"), two = g.Dump("two.json"),
                    one = g.Dump("one.json");
  EXPECT_EQ(At(three, "reader.rollbackSteps"), 2);
  EXPECT_EQ(At(two, "reader.rollbackSteps"), 1);
  EXPECT_EQ(At(one, "reader.rollbackSteps"), 0);
  // Back on page two the variables are as they were there, and the roll
  // made again gives the same number.
  EXPECT_EQ(Var(two, "c"), 1);
  EXPECT_EQ(Var(two, "r"), Var(three, "r"));
  EXPECT_EQ(Var(one, "c"), 0);
  // Reading on plays the story again from the page gone back to.
  EXPECT_EQ(g.Texts(), (Strings{"one", "two", "three", "two", "one", "two", "three", "four"}));
  EXPECT_EQ(Var(end, "c"), 11);
  EXPECT_EQ(Var(end, "r"), Var(three, "r"));
  EXPECT_EQ(OkOf(g, "rollback"), (Strings{"true", "true", "false"}));
  // The history holds what was read on the way taken, once.
  EXPECT_EQ(At(two, "history.pages"), Json(R"([["one"],["two"],[""]])"));
  EXPECT_EQ(At(end, "history.pages"), Json(R"([["one"],["two"],["three"],["four"],[""]])"));
  // A load starts the way back afresh.
  g.Run("click\nmenu SaveDat1\nclick\nmenu LoadDat1\n" + at("loaded"));
  EXPECT_EQ(At(g.Dump("loaded.json"), "reader.rollbackSteps"), 0);
}

TEST(ReaderSaves, RollbackOffersAChoiceAgainAcrossAScenarioSwitch) {
  GameDir g;
  g.Script("~MIDIPLAY \"theme.mid\",1\n"
           "\"which\"\n"
           "~SELECT\n{\n\"go\"@go\n\"stay\"@stay\n}\n"
           "*go\n!went:1!\n~GOTO !next.txt\n"
           "*stay\n\"stayed\"\\p\n");
  g.WriteScript("next.txt", "~MIDIPLAY \"away.mid\",1\n\"there\"\\p\n\"further\"\\p\n");
  const QJsonObject d =
      g.RunAndDump("key Enter\nclick\nmenu Rollback\ndump " + g.Path("back1.json") +
                   "\nmenu Rollback\ndump " + g.Path("back2.json") + "\nkey Down\nkey Enter\n");
  const QJsonObject back1 = g.Dump("back1.json"), back2 = g.Dump("back2.json");
  // One step back: the page after the choice, in the other scenario.
  EXPECT_EQ(Str(back1["scenario"]), "next.txt");
  EXPECT_EQ(Var(back1, "went"), 1);
  // Two: the choice on offer again in the first scenario, its music back.
  EXPECT_EQ(Str(back2["scenario"]), "start.txt");
  EXPECT_EQ(back2["choicePending"], true);
  EXPECT_EQ(Str(At(back2, "sound.midiName")), "theme.mid");
  EXPECT_NE(Var(back2, "went"), 1);
  EXPECT_EQ(g.Texts(), (Strings{"which", "there", "further", "there", "which", "stayed"}));
  EXPECT_EQ(Str(d["scenario"]), "start.txt");
}

TEST(ReaderSaves, SavesLeaveAPictureWithTheirLineThatTheDialogShows) {
  GameDir g;
  g.Script("\"first\"\\p\n\"page\"\\n\n\"more\"\\p\n\"last\"\\p\n");
  const QJsonObject d = g.RunAndDump(
      "click\nclick\nsavedialog\nsavedialog save 2\nsavedialog\nsavedialog save quick\nclick\n"
      "savedialog\nsavedialog load 5\nsavedialog\nsavedialog load 2\nsavedialog\n");
  EXPECT_EQ(g.EventsOf("save").size(), 1u);
  EXPECT_EQ(OkOf(g, "quicksave"), Strings{"true"});
  // The empty slot is not loaded; slot 2 is.
  EXPECT_EQ(OkOf(g, "load"), Strings{"true"});
  for (const char* name : {"mirt-data_2.png", "mirt-quick.png"}) {
    QImageReader png(QString::fromStdString(g.Path(name)));
    EXPECT_EQ(png.size(), QSize(160, 120)) << name;
    EXPECT_EQ(png.text("Description").toStdString(), "page") << name;
  }
  EXPECT_FALSE(fs::exists(g.Path("mirt-data_5.png")));
  const QJsonValue entries = At(d, "saveDialog.entries");
  ASSERT_EQ(entries.toArray().size(), 11);
  EXPECT_TRUE(Holds(At(entries, "2"), R"({"slot":"2","line":"page","picture":true,"saved":true})"));
  EXPECT_TRUE(Holds(At(entries, "5"), R"({"slot":"5","line":"","picture":false,"saved":false})"));
  EXPECT_TRUE(Holds(At(entries, "10"), R"({"slot":"quick","picture":true,"saved":true})"));
  EXPECT_EQ(Str(At(entries, "2.caption")).substr(0, 3), "2: ");
}
