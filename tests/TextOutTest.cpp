// The story's lines leaving the window: the text hook's WebSocket clients,
// the clipboard and the speak events of self-voicing.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTcpServer>
#include <QTextToSpeech>
#include <QWebSocket>
#include <functional>

#include "GameFixture.h"
#include "platform/Speech.h"
#include "platform/TextHookServer.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/Player.h"

using namespace mirt_test;
using Strings = std::vector<std::string>;

namespace {

// Handles the thread's events until done() holds or 10 s have passed.
bool PumpUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > 10000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// A WebSocket client that keeps every text message it gets.
struct Client {
  QWebSocket ws;
  Strings got;
  explicit Client(uint16_t port) {
    QObject::connect(&ws, &QWebSocket::textMessageReceived,
                     [this](const QString& m) { got.push_back(m.toStdString()); });
    ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/").arg(port)));
  }
  bool WaitFor(size_t n) {
    return PumpUntil([&] { return got.size() >= n; });
  }
};

}  // namespace

TEST(TextHook, AClientGetsTheLineOnScreenThenEachLineJoinedAndTheChoiceSets) {
  GameDir g;
  // Quoted text loses its ASCII spaces; a full-width one stays.
  g.Script("&who:\"Alice\"\n\"Hello,　\"%who%\"!\"\\n\n\"二行目\"\\r\n\"続き\"\\n\n\"Pick　one\"\n"
           "~SELECT\n{\n\"yes\"@y\n\"no\"@n\n}\n*y\n\"Y\"\\n\n*n\n\"N\"\\n\n");
  GameFolderScope folder(g.Path(""));
  mirt::HeadlessPlatform platform(true);
  mirt::Player player(platform);
  platform.setEventHandler(&player);
  player.trace().Open(g.Path("trace.jsonl"));
  ASSERT_TRUE(player.outlets().StartTextHook(0));
  const uint16_t port = player.outlets().textHookPort();
  ASSERT_GT(port, 0);
  player.FormCreate();
  player.timer2Timer();  // the first tick's click: the first line

  // Connecting after the line is shown, the client gets it at once.
  Client early(port);
  ASSERT_TRUE(early.WaitFor(1));
  EXPECT_EQ(early.got, Strings({"Hello,　Alice!"}));
  player.formClick();
  ASSERT_TRUE(early.WaitFor(2));
  // A second client joins and leaves; the first one goes on unharmed.
  {
    Client late(port);
    ASSERT_TRUE(late.WaitFor(1));
    EXPECT_EQ(late.got, Strings({"二行目\n続き"}));
  }
  // The question and then its choice set, each choice on its own line.
  player.formClick();
  ASSERT_TRUE(early.WaitFor(4));
  // A line break that does not wait stays in its line as a line feed.
  const Strings lines = {"Hello,　Alice!", "二行目\n続き", "Pick　one", "yes\nno"};
  EXPECT_EQ(early.got, lines);
  player.menuActivated("N5");
  player.FormDestroy();
  EXPECT_EQ(g.TextsOf("hook"), lines);
}

TEST(TextHook, AClientThatStopsReadingIsDroppedWhileTheOthersGetEveryLine) {
  mirt::TextHookServer server;
  server.SetBacklogLimit(256 * 1024);
  ASSERT_TRUE(server.Listen(0));
  // A client that finishes the handshake and then never reads again.
  const int stalled = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(stalled, 0);
  const int small = 4096;
  setsockopt(stalled, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(server.port());
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(connect(stalled, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  const std::string handshake =
      "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
      "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
  ASSERT_EQ(write(stalled, handshake.data(), handshake.size()), ssize_t(handshake.size()));
  Client reader(server.port());
  ASSERT_TRUE(PumpUntil([&] {
    return server.clientCount() == 2 && reader.ws.state() == QAbstractSocket::ConnectedState;
  }));

  // 32 MB of lines: far more than the system's buffers hold for the
  // stalled client. Every send returns at once; the reader gets them all.
  const QString line(64 * 1024, QChar(u'あ'));
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < 200; ++i) {
    server.Send(line + QString::number(i));
    ASSERT_TRUE(reader.WaitFor(size_t(i) + 1)) << "line " << i;
  }
  EXPECT_EQ(server.clientCount(), 1);  // the stalled one is gone
  EXPECT_EQ(reader.got.size(), 200u);
  EXPECT_EQ(reader.got.back(), (line + "199").toStdString());
  EXPECT_LT(clock.elapsed(), 20000);
  close(stalled);
}

TEST(TextHook, ATakenPortIsToldAndTheStoryPlaysOnWithoutTheHook) {
  QTcpServer blocker;
  ASSERT_TRUE(blocker.listen(QHostAddress::LocalHost, 0));
  GameDir g;
  g.Script("\"one\"\\n\n\"two\"\\n\n");
  g.WriteBytes("input.txt", "click\n");
  mirt::AutomationOptions o;
  o.gameDir = g.Path("");
  o.inputFile = g.Path("input.txt");
  o.traceFile = g.Path("trace.jsonl");
  o.virtualTime = true;
  o.maxTime = 60000;
  o.textHook = true;
  o.textHookPort = blocker.serverPort();
  testing::internal::CaptureStderr();
  EXPECT_EQ(mirt::RunAutomation(o), 0);
  const std::string err = testing::internal::GetCapturedStderr();
  const std::string port = std::to_string(blocker.serverPort());
  EXPECT_TRUE(Has(err, "mirt: テキストを外部へ送れません: 127.0.0.1 のポート " + port));
  ASSERT_EQ(g.Messages().size(), 1u);
  EXPECT_TRUE(Has(g.Messages()[0], "ポート " + port + " を使えません"));
  EXPECT_EQ(g.Texts(), Strings({"one", "two"}));
  EXPECT_TRUE(g.EventsOf("hook").empty());
}

TEST(SelfVoicing, LinesChoicesTheHighlightAndTheViewersPageAreSpokenAndCopied) {
  GameDir g;
  g.Script("~TMODE 1\n\"one\"\\n\n\"two\"\\p\n\"three\"\\n\n\"Pick\"\n"
           "~SELECT\n{\n\"yes\"@y\n\"no\"@n\n}\n*y\n\"Y\"\\n\n*n\n\"N\"\\n\n");
  // The viewer opens on the finished page and closes; then the choices,
  // and the highlight moved by a key.
  g.WriteBytes("input.txt",
               "menu CopyText\nclick\nclick\nrclick 300 300\nrclick 300 300\nclick 5 5\n"
               "click\nclick\nkey Down\ndump " +
                   g.Path("on.json") + "\nkey V\nkey Up\ndump " + g.Path("off.json") + "\n");
  mirt::AutomationOptions o;
  o.gameDir = g.Path("");
  o.inputFile = g.Path("input.txt");
  o.traceFile = g.Path("trace.jsonl");
  o.virtualTime = true;
  o.maxTime = 60000;
  o.selfVoicing = true;
  QGuiApplication::clipboard()->clear();
  ASSERT_EQ(mirt::RunAutomation(o), 0);
  EXPECT_EQ(g.TextsOf("speak"),
            Strings({"one", "two", "three", "one\ntwo", "Pick", "yes\nno", "no"}));
  // Without a server there is nothing hooked; the clipboard has the last line.
  EXPECT_TRUE(g.EventsOf("hook").empty());
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "yes\nno");
  const QJsonObject on = g.Dump("on.json"), off = g.Dump("off.json");
  EXPECT_TRUE(Holds(At(on, "menu.SelfVoicing"), R"({"checked":true,"enabled":true})"));
  EXPECT_TRUE(Holds(At(on, "menu.CopyText"), R"({"checked":true})"));
  EXPECT_TRUE(Holds(At(on, "menu.TextHook"), R"({"checked":false})"));
  EXPECT_TRUE(Holds(At(off, "menu.SelfVoicing"), R"({"checked":false})"));
  EXPECT_TRUE(Holds(At(on, "menu.Reading"), R"x({"caption":"読書(&R)"})x"));
  // A screen reader is told the highlighted choice, spoken or not.
  EXPECT_EQ(Str(on["accessibleText"]), "no");
  EXPECT_EQ(Str(off["accessibleText"]), "yes");
}

TEST(SelfVoicing, ASpeechServerThatNeverAnswersLeavesSpeechOffInsteadOfHangingThePlayer) {
  if (!QTextToSpeech::availableEngines().contains(QStringLiteral("speechd")))
    GTEST_SKIP() << "no speech-dispatcher plugin for Qt";
  // A server that takes the connection and then says nothing, as a stopped
  // or stuck speech-dispatcher does.
  GameDir g;
  const std::string path = g.Path("speechd.sock");
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof addr.sun_path);
  std::memcpy(addr.sun_path, path.c_str(), path.size());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(fd, 4), 0);
  const char* before = std::getenv("SPEECHD_ADDRESS");
  const std::string kept = before ? before : "";
  ::setenv("SPEECHD_ADDRESS", ("unix_socket:" + path).c_str(), 1);
  {
    mirt::Speech speech;
    EXPECT_FALSE(speech.available());
    EXPECT_TRUE(Has(speech.unavailableReason(), "応答しません")) << speech.unavailableReason();
    speech.Say(QStringLiteral("nothing"), true);  // and saying is harmless
  }
  if (before)
    ::setenv("SPEECHD_ADDRESS", kept.c_str(), 1);
  else
    ::unsetenv("SPEECHD_ADDRESS");
  ::close(fd);
}
