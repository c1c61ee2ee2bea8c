// The text history: what it keeps of the pages shown, and its viewer
// opened by the right click, paged by its arrows, closed back onto the
// story, and saved by the screen capture.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>

#include "GameFixture.h"
#include "PictureFixture.h"
#include "text/History.h"

using mirt::CThink;
using namespace mirt_test;
using Strings = std::vector<std::string>;

namespace {

// ---- the store --------------------------------------------------------------

// A history after n page breaks, each page holding its own number.
CThink Written(int breaks) {
  CThink h;
  for (int i = 0; i < breaks; ++i) {
    h.Append("p" + std::to_string(i));
    h.PageBreak();
  }
  return h;
}

TEST(HistoryStore, KeepsPiecesOnLinesAndLinesOnPages) {
  CThink h;
  h.Append("ab");
  h.Append("c");  // pieces of one line join
  h.LineBreak();
  h.Append("d");
  h.PageBreak();
  h.Append("e");
  EXPECT_EQ(h.page(), 1);
  EXPECT_EQ(h.lineIndex(0), 1);
  EXPECT_EQ(h.Line(0, 0), "abc");
  EXPECT_EQ(h.Line(0, 1), "d");
  EXPECT_EQ(h.Line(1, 0), "e");
  EXPECT_EQ(h.lineIndex(1), 0);
  // Out of range is empty, never a crash.
  EXPECT_EQ(h.Line(0, 2), "");
  EXPECT_EQ(h.Line(5, 0), "");
  EXPECT_EQ(h.Line(-1, 0), "");
  EXPECT_EQ(h.lineIndex(7), 0);
  // Trimming a history that is not full changes nothing (a choice does it).
  h.TrimHistory();
  EXPECT_EQ(h.page(), 1);
  EXPECT_EQ(h.Line(0, 0), "abc");
}

TEST(HistoryStore, APageHoldsAtMost256LinesAndKeepsWritingOnItsLast) {
  CThink h;
  for (int i = 0; i < 300; ++i) {
    h.Append(std::to_string(i));
    h.LineBreak();
  }
  h.Append("end");
  EXPECT_EQ(h.lineIndex(0), 255);
  EXPECT_EQ(h.Line(0, 254), "254");
  // Lines 255 on run together on the last line; none of it is lost.
  std::string last;
  for (int i = 255; i < 300; ++i) last += std::to_string(i);
  EXPECT_EQ(h.Line(0, 255), last + "end");
}

TEST(HistoryStore, FillsAll256PagesThenDropsTheOldestWithEachNewPage) {
  // 255 page breaks: page 255 is being written and every finished page is
  // still there, none of them blank.
  CThink h = Written(255);
  EXPECT_EQ(h.page(), 255);
  ASSERT_EQ(h.pages().size(), 256u);
  for (int i = 0; i < 255; ++i) ASSERT_EQ(h.Line(i, 0), "p" + std::to_string(i)) << i;
  EXPECT_EQ(h.Line(255, 0), "");

  // The 256th drops page 0; the number stays at 255 and the page just
  // finished is the last finished one.
  h.Append("p255");
  h.PageBreak();
  EXPECT_EQ(h.page(), 255);
  ASSERT_EQ(h.pages().size(), 256u);
  EXPECT_EQ(h.Line(0, 0), "p1");
  EXPECT_EQ(h.Line(254, 0), "p255");
  EXPECT_EQ(h.Line(255, 0), "");
  EXPECT_EQ(h.lineIndex(255), 0);
  // Trimming at the last slot keeps the page being written where it is.
  h.Append("current");
  h.TrimHistory();
  EXPECT_EQ(h.Line(255, 0), "current");
  EXPECT_EQ(h.Line(0, 0), "p1");

  // Long after: still 256 pages, the newest ones, in order.
  CThink many = Written(1000);
  EXPECT_EQ(many.page(), 255);
  ASSERT_EQ(many.pages().size(), 256u);
  EXPECT_EQ(many.Line(0, 0), "p745");
  EXPECT_EQ(many.Line(254, 0), "p999");
}

TEST(HistoryStore, MovesWholePagesSoNoLineOfAnOlderPageStaysBehind) {
  // A page of many lines followed by pages of one line: once the long one
  // has gone, no page shows any of its lines.
  CThink h;
  for (int i = 0; i < 256; ++i) {
    h.Append("long" + std::to_string(i));
    h.LineBreak();
  }
  h.PageBreak();
  for (int i = 0; i < 300; ++i) {
    h.Append("short");
    h.PageBreak();
  }
  for (int p = 0; p <= h.page(); ++p) {
    EXPECT_EQ(h.lineIndex(p), 0) << p;
    EXPECT_EQ(h.Line(p, 255), "") << p;
  }
}

// ---- the viewer ---------------------------------------------------------------

constexpr QRgb kGround = 0xC8643C;  // (200, 100, 60)
constexpr QRgb kYellow = 0xFFFF00;  // the history text
constexpr QRgb kWhite = 0xFFFFFF;   // an arrow
constexpr QRgb kBlue = 0x0000FF;    // the arrow under the pointer

// History box 100,50 - 540,430; text from (120, 70), 16 + 8 pixels a line.
const char* kLook =
    "~LOADBG \"bg.bmp\",0,0\n~TMODE 1\n~TBOXSIZE 100,50,540,430\n~TSCREENCOLOR 255,0,100,64\n"
    "~TFONTCOLOR 255,255,0\n~TTXTPOS 120,70\n~TFONTSIZE 16\n~TTXTSPR 8\n";
// Page 0 has three lines, page 1 one, page 2 is being written.
const char* kThreePages = "\"一\"\\n\n\"二\"\\n\n\"三\"\\p\n\"四\"\\p\n\"五\"\\n\n\"六\"\\n\n";
// Clicks from the first line to page 2.
const char* kToPage2 = "click\nclick\nclick\nclick\n";

// How many pixels of a colour lie in a rectangle.
int Count(const QImage& img, QRect r, QRgb colour) {
  int n = 0;
  r = r.intersected(img.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += Rgb(img, x, y) == colour;
  return n;
}

// The band of history line i: from its top down to the next line's.
QRect LineBand(int i) { return QRect(120, 70 + i * 24, 300, 24); }
const QRect kUpArrow(508, 50, 32, 28), kDownArrow(508, 398, 32, 32);

QImage Png(const GameDir& g, const std::string& name) {
  return QImage(QString::fromStdString(g.Path(name)));
}

class Viewer : public ::testing::Test {
 protected:
  void SetUp() override { g.WriteBytes("bg.bmp", BmpFile(Solid(640, 480, kGround))); }
  std::string Shot(const std::string& name) { return "screenshot " + g.Path(name) + "\n"; }
  std::string DumpTo(const std::string& name) { return "dump " + g.Path(name) + "\n"; }
  GameDir g;
};

TEST_F(Viewer, OpensOnTheLastFinishedPageOverTheTintedBox) {
  g.Script(std::string(kLook) + kThreePages);
  ASSERT_EQ(g.Run(std::string(kToPage2) + "rclick 300 300\n" + Shot("hidden.png") +
                  "rclick 300 300\n" + Shot("open.png") + DumpTo("d.json")),
            0);
  const QJsonObject d = g.Dump("d.json");
  EXPECT_EQ(d["storyState"], 2);
  EXPECT_EQ(At(d, "history.viewer"), Json(R"({"open":true,"page":1,"hover":2})"));
  const QImage open = Png(g, "open.png");
  ASSERT_FALSE(open.isNull());
  // Inside the box every channel moves towards the tint (255, 0, 100) by
  // 64/256: (200*256 + 55*64) >> 8 = 213, (100*256 - 100*64) >> 8 = 75,
  // (60*256 + 40*64) >> 8 = 70. The box's right and bottom edge are out.
  const QRgb tinted = qRgb(213, 75, 70) & 0xFFFFFF;
  for (QPoint in : {QPoint(100, 50), QPoint(539, 429), QPoint(100, 429), QPoint(450, 300)})
    EXPECT_EQ(Rgb(open, in.x(), in.y()), tinted) << in.x() << "," << in.y();
  for (QPoint out : {QPoint(99, 50), QPoint(540, 60), QPoint(300, 49), QPoint(300, 430),
                     QPoint(0, 0), QPoint(639, 479)})
    EXPECT_EQ(Rgb(open, out.x(), out.y()), kGround) << out.x() << "," << out.y();
  // Page 1 is one line: the text is in line 0's band and nowhere below.
  EXPECT_GT(Count(open, LineBand(0), kYellow), 10);
  EXPECT_EQ(Count(open, QRect(100, 94, 400, 300), kYellow), 0);
  // Both arrows, white, the pointer on neither.
  EXPECT_GT(Count(open, kUpArrow, kWhite), 10);
  EXPECT_GT(Count(open, kDownArrow, kWhite), 10);
  EXPECT_EQ(Count(open, kUpArrow, kBlue) + Count(open, kDownArrow, kBlue), 0);
  // The box hidden, the viewer not open yet: the bare picture.
  EXPECT_EQ(Count(Png(g, "hidden.png"), QRect(0, 0, 640, 480), kGround), 640 * 480);
}

TEST_F(Viewer, ArrowsPageBackAndForwardAndStopAtTheEnds) {
  g.Script(std::string(kLook) + kThreePages);
  ASSERT_EQ(
      g.Run(std::string(kToPage2) + "rclick 300 300\nrclick\n" + "move 520 60\n" + Shot("up.png") +
            DumpTo("up.json") + "click\n" + Shot("page0.png") + DumpTo("p0.json") + "click\n" +
            DumpTo("p0again.json") +  // already the first page
            "move 520 420\n" + Shot("down.png") + DumpTo("down.json") + "click\n" +
            DumpTo("p1.json") + "click\n" + DumpTo("p1again.json")),  // the newest finished page
      0);
  const QImage up = Png(g, "up.png");
  EXPECT_GT(Count(up, kUpArrow, kBlue), 10);
  EXPECT_EQ(Count(up, kUpArrow, kWhite), 0);  // redrawn over, not beside
  EXPECT_EQ(Count(up, kDownArrow, kBlue), 0);
  EXPECT_EQ(At(g.Dump("up.json"), "history.viewer.hover"), 0);

  EXPECT_EQ(At(g.Dump("p0.json"), "history.viewer.page"), 0);
  EXPECT_EQ(At(g.Dump("p0again.json"), "history.viewer.page"), 0);
  // Page 0's three lines, each in its band; the arrows wait for the pointer.
  const QImage page0 = Png(g, "page0.png");
  for (int i = 0; i < 3; ++i) EXPECT_GT(Count(page0, LineBand(i), kYellow), 10) << i;
  EXPECT_EQ(Count(page0, LineBand(3), kYellow), 0);
  EXPECT_EQ(Count(page0, kUpArrow, kWhite) + Count(page0, kUpArrow, kBlue), 0);

  const QImage down = Png(g, "down.png");
  EXPECT_GT(Count(down, kDownArrow, kBlue), 10);
  EXPECT_GT(Count(down, kUpArrow, kWhite), 10);
  EXPECT_EQ(At(g.Dump("down.json"), "history.viewer.hover"), 1);
  EXPECT_EQ(At(g.Dump("p1.json"), "history.viewer.page"), 1);
  EXPECT_EQ(At(g.Dump("p1again.json"), "history.viewer.page"), 1);
  EXPECT_EQ(g.Dump("p1again.json")["storyState"], 2);
  // Paging never ran the story.
  EXPECT_EQ(g.Texts(), (Strings{"一", "二", "三", "四", "五"}));
}

TEST_F(Viewer, ArrowsReactOnlyStrictlyInsideTheirEdges) {
  g.Script(std::string(kLook) + kThreePages);
  // (x, y) -> the hover the dump should show; box right 540, top 50,
  // bottom 430: up for 508 < x < 540 and 50 < y < 78, down for
  // 398 < y < 430; beside them in their column is elsewhere.
  const std::vector<std::tuple<int, int, int>> cases = {
      {508, 60, 2},  {509, 60, 0},  {539, 60, 0},  {540, 60, 2},  {520, 50, 2},
      {520, 51, 0},  {520, 77, 0},  {520, 78, 2},  {520, 398, 2}, {520, 399, 1},
      {520, 429, 1}, {520, 430, 2}, {509, 420, 1}, {508, 420, 2}, {300, 300, 2}};
  std::string actions = std::string(kToPage2) + "rclick 1 1\nrclick\n";
  for (size_t i = 0; i < cases.size(); ++i) {
    auto [x, y, hover] = cases[i];
    // From the other arrow first, so that each case sets the hover itself.
    actions += std::string(hover == 0 ? "move 520 420\n" : "move 520 60\n") + "move " +
               std::to_string(x) + " " + std::to_string(y) + "\n" +
               DumpTo("h" + std::to_string(i) + ".json");
  }
  ASSERT_EQ(g.Run(actions), 0);
  for (size_t i = 0; i < cases.size(); ++i) {
    auto [x, y, hover] = cases[i];
    EXPECT_EQ(At(g.Dump("h" + std::to_string(i) + ".json"), "history.viewer.hover"), hover)
        << "at " << x << "," << y;
  }
}

TEST_F(Viewer, ClosesOnAClickElsewhereOntoThePictureWithoutTheBox) {
  g.Script(std::string(kLook) + kThreePages);
  ASSERT_EQ(
      g.Run(std::string(kToPage2) + Shot("story.png") + "rclick 300 300\n" + Shot("hidden.png") +
            "rclick\nmove 520 60\nmove 300 300\nclick\n" + Shot("closed.png") +
            DumpTo("closed.json") + "click\n" + Shot("back.png") + DumpTo("back.json") + "click\n"),
      0);
  EXPECT_EQ(Png(g, "closed.png"), Png(g, "hidden.png"));
  EXPECT_EQ(g.Dump("closed.json")["storyState"], 0);
  EXPECT_EQ(At(g.Dump("closed.json"), "history.viewer.open"), false);
  // The next left click shows the story as it was, without advancing it;
  // the one after goes on.
  EXPECT_EQ(Png(g, "back.png"), Png(g, "story.png"));
  EXPECT_EQ(g.Dump("back.json")["storyState"], 1);
  EXPECT_EQ(g.Texts(), (Strings{"一", "二", "三", "四", "五", "六"}));
}

TEST_F(Viewer, RightClicksAndKeysInEachState) {
  // TMODE 0: the second right click leaves the box hidden and nothing else.
  {
    GameDir off;
    off.Script("\"一\"\\p\n\"二\"\\n\n");
    ASSERT_EQ(off.Run("click\nrclick 5 5\nscreenshot " + off.Path("a.png") + "\nrclick\n" +
                      "screenshot " + off.Path("b.png") + "\ndump " + off.Path("d.json") + "\n"),
              0);
    EXPECT_EQ(off.Dump("d.json")["storyState"], 0);
    EXPECT_EQ(Png(off, "a.png"), Png(off, "b.png"));
  }
  // TMODE 1: open, then a third right click and the keys do nothing; after
  // closing, Enter brings the story back and the next one advances it.
  g.Script(std::string(kLook) + kThreePages);
  ASSERT_EQ(g.Run(std::string(kToPage2) + "rclick 300 300\nrclick 300 300\n" + Shot("open.png") +
                  "rclick\nkey Enter\nkey Down\nkey Up\nkey Space\n" + Shot("still.png") +
                  DumpTo("still.json") + "click\n" + DumpTo("closed.json") + "key Enter\n" +
                  DumpTo("shown.json") + "key Enter\n"),
            0);
  EXPECT_EQ(g.Dump("still.json")["storyState"], 2);
  EXPECT_EQ(Png(g, "still.png"), Png(g, "open.png"));
  EXPECT_EQ(g.Dump("closed.json")["storyState"], 0);
  EXPECT_EQ(g.Dump("shown.json")["storyState"], 1);
  EXPECT_EQ(g.Texts(), (Strings{"一", "二", "三", "四", "五", "六"}));
}

TEST_F(Viewer, OnTheFirstPageShowsThePageBeingWritten) {
  g.Script(std::string(kLook) + "\"一\"\\n\n\"二\"\\n\n\"三\"\\n\n");
  ASSERT_EQ(g.Run("click\nrclick 300 300\nrclick\n" + Shot("open.png") + "move 520 420\nclick\n" +
                  DumpTo("down.json") + "move 520 60\nclick\n" + DumpTo("up.json")),
            0);
  EXPECT_EQ(At(g.Dump("down.json"), "history.viewer"), Json(R"({"open":true,"page":0,"hover":1})"));
  EXPECT_EQ(At(g.Dump("up.json"), "history.viewer.page"), 0);
  const QImage open = Png(g, "open.png");
  EXPECT_GT(Count(open, LineBand(0), kYellow), 10);
  EXPECT_GT(Count(open, LineBand(1), kYellow), 10);
  EXPECT_EQ(Count(open, LineBand(2), kYellow), 0);  // the line now being written is empty
}

TEST_F(Viewer, HalfOpacityBlackHalvesTheBoxAndABoxBeyondTheScreenIsCut) {
  g.Script("~LOADBG \"bg.bmp\",0,0\n~TMODE 1\n~TBOXSIZE -5000,-5000,99999,99999\n"
           "~TSCREENCOLOR 0,0,0,128\n\"一\"\\p\n\"二\"\\n\n");
  ASSERT_EQ(g.Run("click\nrclick 10 10\nrclick\n" + Shot("open.png") + "move 600 10\nclick\n" +
                  DumpTo("d.json")),
            0);
  const QImage open = Png(g, "open.png");
  const QRgb half = qRgb(100, 50, 30) & 0xFFFFFF;
  EXPECT_EQ(Rgb(open, 0, 0), half);
  EXPECT_EQ(Rgb(open, 639, 479), half);
  EXPECT_EQ(Rgb(open, 320, 400), half);
  EXPECT_EQ(g.Dump("d.json")["storyState"], 0);  // closed by the click elsewhere
}

TEST_F(Viewer, PictureModeDrawsTheMaskedPictureInsteadOfTheTint) {
  // 40 x 20: the left half red, the right half its mask, black in the top
  // 10 rows (the picture is drawn) and white below (the panel stays).
  QImage pic(40, 20, QImage::Format_RGB32);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x)
      pic.setPixel(x, y, x < 20 ? qRgb(255, 0, 0) : y < 10 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
  g.WriteBytes("hp.bmp", BmpFile(pic));
  g.Script(std::string(kLook) + "~TSCREENMODE 1\n~TSCREENCG \"hp.bmp\",200,100\n" + kThreePages);
  ASSERT_EQ(g.Run(std::string(kToPage2) + "rclick 1 1\nrclick\n" + Shot("open.png")), 0);
  const QImage open = Png(g, "open.png");
  const QRgb drawn = Rgb(open, 205, 105);
  EXPECT_GE(qRed(drawn), 250);
  EXPECT_LE(qGreen(drawn), 5);
  EXPECT_LE(qBlue(drawn), 5);
  EXPECT_EQ(Rgb(open, 205, 115), kGround);  // under the white mask
  EXPECT_EQ(Rgb(open, 199, 105), kGround);  // beside the picture
  EXPECT_EQ(Rgb(open, 450, 300), kGround);  // and no tint in the box
  EXPECT_GT(Count(open, LineBand(0), kYellow), 10);
}

TEST_F(Viewer, CaptureWhileOpenSavesTheRenderedPage) {
  g.Script(std::string(kLook) + kThreePages);
  ASSERT_EQ(
      g.Run(std::string(kToPage2) + "rclick 300 300\nrclick\nmove 520 60\nclick\n" +
            "move 520 61\n" + Shot("open.png") + "savefile " + g.Path("page.bmp") + "\nmenu N2\n" +
            DumpTo("d.json") + "move 300 300\nclick\nsavefile " + g.Path("closed.bmp") +
            "\nmenu N2\nlayer ScreenImage " + g.Path("screen.png") + "\n"),
      0);
  EXPECT_EQ(g.Dump("d.json")["storyState"], 2);  // the capture leaves the viewer open
  const std::string bytes = g.Read("page.bmp");
  ASSERT_EQ(bytes.size(), 921654u);
  QImage page;
  ASSERT_TRUE(mirt::DecodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), page));
  const QImage open = Png(g, "open.png");
  // Page 0 as drawn, without the arrows the window shows over it.
  for (int i = 0; i < 3; ++i) EXPECT_GT(Count(page, LineBand(i), kYellow), 10) << i;
  EXPECT_EQ(Count(page, kUpArrow, kWhite) + Count(page, kDownArrow, kWhite), 0);
  EXPECT_EQ(Count(page, kUpArrow, kBlue), 0);
  EXPECT_EQ(Rgb(page, 450, 300), Rgb(open, 450, 300));
  int differ = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      if (Rgb(page, x, y) != Rgb(open, x, y)) {
        ++differ;
        EXPECT_TRUE(kUpArrow.contains(x, y) || kDownArrow.contains(x, y)) << x << "," << y;
      }
  EXPECT_GT(differ, 0);
  // Once closed, the capture is the story's screen again.
  const std::string closedBytes = g.Read("closed.bmp");
  QImage closed;
  ASSERT_TRUE(mirt::DecodeBmp(reinterpret_cast<const uint8_t*>(closedBytes.data()),
                              closedBytes.size(), closed));
  EXPECT_EQ(closed.convertToFormat(QImage::Format_RGB32),
            Png(g, "screen.png").convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(g.Messages(), (Strings{"保存完了しました。", "保存完了しました。"}));
}

TEST_F(Viewer, TheHistoryOutlivesTheReturnToTheTitle) {
  g.Script(std::string(kLook) + kThreePages);
  const QJsonObject d =
      g.RunAndDump(std::string(kToPage2) + "answer yes\nmenu N1\nrclick 1 1\nrclick\n");
  // The title starts the story again on page 2 of the history, which
  // still holds the first run's pages.
  EXPECT_EQ(At(d, "history.pages.0"), Json(R"(["一","二","三"])"));
  EXPECT_EQ(At(d, "history.pages.1"), Json(R"(["四"])"));
  EXPECT_EQ(d["storyState"], 2);
  EXPECT_EQ(At(d, "history.viewer.page"), 1);
}

}  // namespace
