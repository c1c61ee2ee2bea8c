// The text hook: a WebSocket server on the loopback interface that sends
// each line of the story, as one text message, to every client connected
// (texthooker-style reading pages). A client that connects is sent the
// line on screen at once. Sending never waits for a client: one that falls
// too far behind (its unsent messages past the backlog limit) is dropped.
//
// Runs on the thread's event loop; the headless player pumps it.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QWebSocket;
class QWebSocketServer;

namespace mirt {

class TextHookServer {
 public:
  static constexpr uint16_t kDefaultPort = 6677;
  static constexpr int64_t kDefaultBacklog = 4 << 20;

  TextHookServer();
  ~TextHookServer();
  TextHookServer(const TextHookServer&) = delete;
  TextHookServer& operator=(const TextHookServer&) = delete;

  // Listens on 127.0.0.1 only. False, with errorString(), when the port
  // cannot be had (taken, or not ours to take).
  bool Listen(uint16_t port);
  bool listening() const;
  uint16_t port() const;
  std::string errorString() const;  // UTF-8

  // One text message to every client; it is also the line a client that
  // connects later is sent first.
  void Send(const QString& text);
  int clientCount() const { return static_cast<int>(clients_.size()); }
  // A client with more than this many bytes not yet sent is dropped.
  void SetBacklogLimit(int64_t bytes) { backlog_ = bytes; }

 private:
  void Accept();
  void Drop(QWebSocket* client);

  // Receives the sockets' signals and owns the client sockets.
  std::unique_ptr<QObject> context_;
  std::unique_ptr<QWebSocketServer> server_;
  std::vector<QWebSocket*> clients_;
  QString current_;
  int64_t backlog_ = kDefaultBacklog;
};

}  // namespace mirt
