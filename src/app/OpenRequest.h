#pragma once
// Files the desktop asks us to open are handed to the running instance of the same user
// over a local socket in the user's private runtime folder; the second process then ends. One
// message per connection:
//   "MIREV-OPEN\n", a 4-byte big-endian length, that many bytes of absolute path (the file
//   name's own bytes, UTF-8 or not; empty: only bring the window up);
// the answer is "OK\n" or "NO\n". Each side makes sure the other runs as the same user.
#include <QLocalServer>
#include <QObject>
#include <QString>

// The per-user channel: a socket named with the user id in the user's private runtime folder.
// Empty when there is no private folder to put it in.
QString DefaultChannelName();

enum class HandOffResult {
  Delivered,   // a running instance has the request
  NoInstance,  // nobody listens (or only a stale socket is left)
  Refused,     // the socket or the instance behind it is another user's: nothing was sent
  Failed,      // an instance is there but did not take the request in time
};
// Sends an open request; absolutePath (a path string of FilePath.h) empty only raises the
// running window.
HandOffResult SendOpenRequest(const QString& channel, const QString& absolutePath, int timeoutMs);

class OpenRequestServer : public QObject {
  Q_OBJECT

 public:
  explicit OpenRequestServer(const QString& channel, QObject* parent = nullptr);
  ~OpenRequestServer() override;

  // Takes the channel. A socket of ours left by an instance that died is removed and taken
  // over; false when a live instance answers on it, when something else is there, or when it
  // cannot be made.
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
