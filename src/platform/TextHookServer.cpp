#include "platform/TextHookServer.h"

#include <QHostAddress>
#include <QWebSocket>
#include <QWebSocketServer>
#include <algorithm>

namespace mirt {

TextHookServer::TextHookServer()
    : context_(std::make_unique<QObject>()),
      server_(std::make_unique<QWebSocketServer>(QStringLiteral("mirt"),
                                                 QWebSocketServer::NonSecureMode)) {
  // A connection that never finishes its handshake does not linger.
  server_->setHandshakeTimeout(5000);
  QObject::connect(server_.get(), &QWebSocketServer::newConnection, context_.get(),
                   [this] { Accept(); });
}

TextHookServer::~TextHookServer() {
  // The client sockets, also dropped ones not yet deleted, are the
  // context's children and go with it.
  clients_.clear();
  context_.reset();
  server_->close();
}

bool TextHookServer::Listen(uint16_t port) {
  if (server_->isListening()) server_->close();
  return server_->listen(QHostAddress(QHostAddress::LocalHost), port);
}

bool TextHookServer::listening() const { return server_->isListening(); }

uint16_t TextHookServer::port() const { return server_->serverPort(); }

std::string TextHookServer::errorString() const { return server_->errorString().toStdString(); }

void TextHookServer::Accept() {
  while (QWebSocket* client = server_->nextPendingConnection()) {
    client->setParent(context_.get());
    clients_.push_back(client);
    QObject::connect(client, &QWebSocket::disconnected, context_.get(),
                     [this, client] { Drop(client); });
    // Whatever a client sends is not for us.
    if (!current_.isEmpty()) client->sendTextMessage(current_);
  }
}

void TextHookServer::Drop(QWebSocket* client) {
  auto it = std::find(clients_.begin(), clients_.end(), client);
  if (it == clients_.end()) return;
  clients_.erase(it);
  QObject::disconnect(client, nullptr, context_.get(), nullptr);
  client->abort();
  client->deleteLater();
}

void TextHookServer::Send(const QString& text) {
  current_ = text;
  // A copy: dropping a client changes the list.
  const std::vector<QWebSocket*> clients = clients_;
  for (QWebSocket* c : clients) {
    if (c->bytesToWrite() > backlog_) {
      Drop(c);
      continue;
    }
    c->sendTextMessage(text);
  }
}

}  // namespace mirt
