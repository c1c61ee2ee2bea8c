// Story text: the cost of one reveal unit (drawn on ScreenImage and shown),
// against a plain QPainter drawText of the same unit; and the CPU the real
// Qt window takes while the story waits for a click with the indicator
// blinking, and while a long text is revealed, against an idle window.
//
// The CPU benchmarks run the Qt event loop for 10 s of real time each and
// report cpu_pct: CPU seconds of the process (CLOCK_PROCESS_CPUTIME_ID) over
// the wall seconds, in percent of one core.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "common/Encoding.h"
#include "platform/HostFiles.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/qt/QtPlatform.h"
#include "shell/Player.h"
#include "text/TextFont.h"

namespace {

namespace fs = std::filesystem;

constexpr int kUnits = 32;  // units per line of the reference

// A piece of story text of n two-byte units.
std::string Line(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += mirt::Sjis(i % 2 ? "あ" : "漢");
  return s;
}

void SetUpText(mirt::Player& p) {
  p.screen().layers().Create();
  p.screen().layers().FillAll(qRgb(0, 0, 64));
  p.state().fontSize = 20;
  p.state().textOriginX = 40;
  p.state().textOriginY = 350;
  p.message().SetTextColour(0xFFFFFF);
}

// Reveals a piece of range(0) units over and over from the origin; per item
// is one unit. A piece also costs one whole repaint before its first unit,
// shared by its units: 1 unit is the worst case, 32 a long line.
void Reveal(benchmark::State& state, mirt::Player& p) {
  const int units = static_cast<int>(state.range(0));
  const std::string piece = Line(units);
  for (auto _ : state) {
    p.message().MovePen(p.state().textOriginX, p.state().textOriginY);
    p.message().DrawText(piece);
  }
  state.SetItemsProcessed(state.iterations() * units);
}

// The engine's reveal on the headless platform, virtual clock: a 1 ms delay
// per unit that costs no real time, so what is measured is the work around
// it (unit split and conversion, drawing, repaint, the pause's poll).
void RevealUnitHeadless(benchmark::State& state) {
  mirt::HeadlessPlatform platform(true);
  mirt::Player p(platform);
  SetUpText(p);
  p.message().speed().SetDelay(1);
  Reveal(state, p);
}
BENCHMARK(RevealUnitHeadless)->Arg(1)->Arg(32)->Unit(benchmark::kMicrosecond);

// The same through the real window (Qt Widgets on the platform plugin in
// use), page mode on so no real delay is waited.
void RevealUnitQtWindow(benchmark::State& state) {
  mirt::QtPlatform platform;
  mirt::Player p(platform);
  platform.setEventHandler(&p);
  SetUpText(p);
  p.message().speed().SetDelay(1);
  p.menuActivated("P1");  // page mode: no pause between units
  QCoreApplication::processEvents();
  Reveal(state, p);
  p.menuActivated("N5");
  QCoreApplication::processEvents();
}
BENCHMARK(RevealUnitQtWindow)->Arg(1)->Arg(32)->Unit(benchmark::kMicrosecond);

// Reference: QPainter drawText of each unit on a 640 x 480 picture with the
// story font, a new painter per unit.
void ReferenceDrawTextUnit(benchmark::State& state) {
  mirt::HeadlessPlatform platform(true);
  mirt::Player p(platform);
  SetUpText(p);
  const QFont font = p.message().font();
  QFontMetrics metrics(font);
  QImage img(640, 480, QImage::Format_RGB32);
  img.fill(qRgb(0, 0, 64));
  QString units[2] = {QString::fromUtf8("漢"), QString::fromUtf8("あ")};
  for (auto _ : state) {
    int x = 40;
    for (int i = 0; i < kUnits; ++i) {
      QPainter painter(&img);
      painter.setFont(font);
      painter.setPen(Qt::white);
      painter.drawText(x, 350 + metrics.ascent(), units[i % 2]);
      x += metrics.horizontalAdvance(units[i % 2]);
    }
    benchmark::DoNotOptimize(img.constBits());
  }
  state.SetItemsProcessed(state.iterations() * kUnits);
}
BENCHMARK(ReferenceDrawTextUnit)->Unit(benchmark::kMicrosecond);

// ---- CPU over 10 s of real time -------------------------------------------

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

// A game folder in /tmp, removed again at the end.
struct TempGame {
  std::string dir;
  explicit TempGame(const std::string& scriptUtf8) {
    char tmpl[] = "/tmp/mirt-bench-XXXXXX";
    dir = mkdtemp(tmpl);
    Write("init.def", "10\r\n25\r\n50\r\n75\r\n100\r\nstart.txt\r\n\r\n\r\n\r\n");
    std::string crlf;
    for (char c : scriptUtf8) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Write("start.txt", mirt::utf8ToCp932(crlf));
    QImage icon(16, 16, QImage::Format_RGB32);
    icon.fill(qRgb(255, 255, 0));
    icon.setPixel(0, 15, qRgb(0, 0, 0));
    icon.save(QString::fromStdString(dir + "/icon1.bmp"), "BMP");
    icon.save(QString::fromStdString(dir + "/icon2.bmp"), "BMP");
  }
  ~TempGame() { fs::remove_all(dir); }
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
  }
};

// Runs the window (and the story, if given) for startMs, then measures
// measureMs of real time; returns CPU percent of one core.
double WindowCpu(const std::string* gameDir, int startMs, int measureMs) {
  mirt::QtPlatform platform;
  std::unique_ptr<mirt::Player> player;
  if (gameDir) {
    player = std::make_unique<mirt::Player>(platform);
    platform.setEventHandler(player.get());
    mirt::SetGameFolder(*gameDir);
    player->FormCreate();
  }
  double cpu0 = 0, cpu1 = 0;
  QElapsedTimer wall;
  qint64 wallMs = 1;
  QTimer::singleShot(startMs, [&] {
    cpu0 = CpuSeconds();
    wall.start();
  });
  // Fires inside the engine's pauses as well as in the idle loop.
  QTimer::singleShot(startMs + measureMs, [&] {
    cpu1 = CpuSeconds();
    wallMs = wall.elapsed();
    if (player) {
      player->message().speed().SetDelay(0);  // the rest of a reveal at once
      player->RequestClose();
    }
    QCoreApplication::exit(0);
  });
  QApplication::exec();
  if (player) player->FormDestroy();
  mirt::SetGameFolder("");
  return 100.0 * (cpu1 - cpu0) / (wallMs / 1000.0);
}

void CpuRun(benchmark::State& state, const std::function<double()>& run) {
  double pct = 0;
  for (auto _ : state) {
    pct = run();
    state.SetIterationTime(10.0);
  }
  state.counters["cpu_pct"] = pct;
}

const char* kBox =
    "~FONTCOLOR 255,255,255,0\n~FONTSIZE 20\n~BOXSIZE 20,330,620,470\n~BOXCOL 0,0,96,160\n"
    "~TXTPOS 40,350\n~TXTSPR 8\n";

// Reference: the window alone, no story, 10 s.
void CpuIdleWindow(benchmark::State& state) {
  CpuRun(state, [] { return WindowCpu(nullptr, 500, 10000); });
}
BENCHMARK(CpuIdleWindow)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// A line shown, then waiting for a click; the indicator blinks at every tick.
void CpuWaitingForClick(benchmark::State& state) {
  TempGame game(std::string(kBox) +
                "~NVMODE 1,1,100\n\"クリックを待っています。\"\\n\n\"end\"\\n\n");
  CpuRun(state, [&] { return WindowCpu(&game.dir, 1500, 10000); });
}
BENCHMARK(CpuWaitingForClick)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// A long reveal at the standard speed (50 ms a unit): five lines of 60
// units joined by line breaks that do not wait, 15 s.
void CpuRevealing(benchmark::State& state) {
  std::string line;
  for (int i = 0; i < 60; ++i) line += i % 3 ? "あ" : "字";
  std::string script = kBox;
  for (int i = 0; i < 5; ++i) script += "\"" + line + "\"\\r\n";
  TempGame game(script + "\"end\"\\n\n");
  CpuRun(state, [&] { return WindowCpu(&game.dir, 1000, 10000); });
}
BENCHMARK(CpuRevealing)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
