#pragma once
// Files the desktop asks us to open are handed to the running instance of the same user
// over a local socket; the second process then ends. One message per connection:
//   "MIREV-OPEN\n", a 4-byte big-endian length, that many bytes of UTF-8 absolute path
//   (empty: only bring the window up); the answer is "OK\n" or "NO\n".
#include <QLocalServer>
#include <QObject>
#include <QString>

// The per-user channel: a socket in the user's runtime directory named with the user id.
QString DefaultChannelName();

enum class HandOffResult {
  Delivered,   // a running instance has the request
  NoInstance,  // nobody listens (or only a stale socket is left)
  Failed,      // an instance is there but did not take the request in time
};
// Sends an open request; absolutePath empty only raises the running window.
HandOffResult SendOpenRequest(const QString& channel, const QString& absolutePath, int timeoutMs);

class OpenRequestServer : public QObject {
  Q_OBJECT

 public:
  explicit OpenRequestServer(const QString& channelName, QObject* parent = nullptr);
  ~OpenRequestServer() override;

  // Takes the channel. A socket left by an instance that died is removed and taken over;
  // false when a live instance answers on it (or it cannot be made).
  bool Listen();

 signals:
  // Emitted from the event loop after the request has been answered, so that whatever the
  // opening shows does not keep the sender waiting.
  void openRequested(const QString& path);

 private:
  void OnNewConnection();

  QString channel;
  QLocalServer server;
};
