#include "app/OpenRequest.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#else
#include <QRegularExpression>
#endif

namespace {

const QByteArray kMagic = QByteArrayLiteral("MIREV-OPEN\n");
constexpr qsizetype kLengthBytes = 4;
// Far beyond any real path; a longer message is not ours.
constexpr quint32 kMaxPathBytes = 64 * 1024;
// How long a connection may take to deliver its message.
constexpr int kServerTimeoutMs = 5000;

QByteArray EncodeRequest(const QString& path) {
  const QByteArray utf8 = path.toUtf8();
  QByteArray message = kMagic;
  char length[kLengthBytes];
  qToBigEndian<quint32>(static_cast<quint32>(utf8.size()), length);
  message.append(length, kLengthBytes);
  message.append(utf8);
  return message;
}

enum class Parse { Incomplete, Done, Bad };

Parse ParseRequest(const QByteArray& buffer, QString& path) {
  const qsizetype have = std::min(buffer.size(), kMagic.size());
  if (buffer.left(have) != kMagic.left(have)) return Parse::Bad;
  if (buffer.size() < kMagic.size() + kLengthBytes) return Parse::Incomplete;
  const quint32 length = qFromBigEndian<quint32>(buffer.constData() + kMagic.size());
  if (length > kMaxPathBytes) return Parse::Bad;
  const qsizetype total = kMagic.size() + kLengthBytes + static_cast<qsizetype>(length);
  if (buffer.size() < total) return Parse::Incomplete;
  if (buffer.size() > total) return Parse::Bad;
  const QByteArray utf8 = buffer.mid(kMagic.size() + kLengthBytes);
  path = QString::fromUtf8(utf8);
  // Text that is not UTF-8 cannot name the file it claims to.
  if (path.toUtf8() != utf8) return Parse::Bad;
  // A relative path would be taken relative to the wrong process.
  if (!path.isEmpty() && !QDir::isAbsolutePath(path)) return Parse::Bad;
  return Parse::Done;
}

}  // namespace

QString DefaultChannelName() {
#ifdef Q_OS_UNIX
  const QString user = QString::number(::getuid());
  QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  return QDir(dir).filePath(QStringLiteral("mirev-%1.sock").arg(user));
#else
  QString user = qEnvironmentVariable("USERNAME");
  user.remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")));
  return QStringLiteral("mirev-%1").arg(user);
#endif
}

HandOffResult SendOpenRequest(const QString& channel, const QString& absolutePath, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(channel);
  if (!socket.waitForConnected(timeoutMs)) return HandOffResult::NoInstance;
  socket.write(EncodeRequest(absolutePath));
  if (!socket.waitForBytesWritten(timeoutMs)) return HandOffResult::Failed;
  QByteArray answer;
  while (answer.size() < 3 && socket.waitForReadyRead(timeoutMs)) answer += socket.readAll();
  if (answer.size() < 3) answer += socket.readAll();
  socket.abort();
  return answer.startsWith("OK\n") ? HandOffResult::Delivered : HandOffResult::Failed;
}

OpenRequestServer::OpenRequestServer(const QString& channelName, QObject* parent)
    : QObject(parent), channel(channelName) {
  server.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server, &QLocalServer::newConnection, this, &OpenRequestServer::OnNewConnection);
}

OpenRequestServer::~OpenRequestServer() { server.close(); }

bool OpenRequestServer::Listen() {
  // Listening would replace a socket that is in use, so ask first whether anybody answers:
  // a live instance keeps the channel, a socket left by one that died is removed.
  QLocalSocket probe;
  probe.connectToServer(channel);
  if (probe.waitForConnected(1000)) {
    probe.abort();
    return false;
  }
  QLocalServer::removeServer(channel);
  return server.listen(channel);
}

void OpenRequestServer::OnNewConnection() {
  while (QLocalSocket* socket = server.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kServerTimeoutMs, socket, [socket] { socket->abort(); });
    struct Pending {
      QByteArray data;
      bool answered = false;
    };
    auto pending = std::make_shared<Pending>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, pending] {
      const QByteArray chunk = socket->readAll();
      if (pending->answered) return;
      pending->data.append(chunk);
      QString path;
      const Parse result = ParseRequest(pending->data, path);
      if (result == Parse::Incomplete) return;
      pending->answered = true;
      const bool accepted = result == Parse::Done;
      socket->write(accepted ? "OK\n" : "NO\n");
      socket->flush();
      socket->disconnectFromServer();
      if (accepted) QTimer::singleShot(0, this, [this, path] { emit openRequested(path); });
    });
  }
}
