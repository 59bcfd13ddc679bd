#include "app/OpenRequest.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QTimer>
#include <QtEndian>
#include <memory>

#include "app/FilePath.h"
#include "sys/LocalPeer.h"
#include "sys/PrivateFolder.h"

namespace {

const QByteArray kMagic = QByteArrayLiteral("MIREV-OPEN\n");
constexpr qsizetype kLengthBytes = 4;
// Far beyond any real path; a longer message is not ours.
constexpr quint32 kMaxPathBytes = 64 * 1024;
// How long a connection may take to deliver its message.
constexpr int kServerTimeoutMs = 5000;

QByteArray EncodeRequest(const QString& path) {
  const QByteArray bytes = PathBytes(path);
  QByteArray message = kMagic;
  char length[kLengthBytes];
  qToBigEndian<quint32>(static_cast<quint32>(bytes.size()), length);
  message.append(length, kLengthBytes);
  message.append(bytes);
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
  const QByteArray bytes = buffer.mid(kMagic.size() + kLengthBytes);
  // No file name holds a NUL; a relative path would be taken relative to the wrong process.
  if (bytes.contains('\0') || (!bytes.isEmpty() && !bytes.startsWith('/'))) return Parse::Bad;
  path = PathFromBytes(bytes);
  return Parse::Done;
}

bool SameUserAtOtherEnd(const QLocalSocket& socket) {
  return PeerIsSameUser(static_cast<int>(socket.socketDescriptor()));
}

}  // namespace

QString DefaultChannelName() {
  const std::string folder = PrivateRuntimeFolder();
  if (folder.empty()) return {};
  return PathFromBytes(QByteArray::fromStdString(folder)) +
         QStringLiteral("/mirev-%1.sock").arg(static_cast<qulonglong>(::geteuid()));
}

HandOffResult SendOpenRequest(const QString& channel, const QString& absolutePath, int timeoutMs) {
  if (channel.isEmpty()) return HandOffResult::NoInstance;
  const std::string socketPath = PathStdBytes(channel);
  // Something at the channel's place that is not our own socket is not talked to at all.
  if (::access(socketPath.c_str(), F_OK) != 0) return HandOffResult::NoInstance;
  if (!IsOwnSocket(socketPath)) return HandOffResult::Refused;
  QLocalSocket socket;
  socket.connectToServer(channel);
  if (!socket.waitForConnected(timeoutMs)) return HandOffResult::NoInstance;
  if (!SameUserAtOtherEnd(socket)) {
    socket.abort();
    return HandOffResult::Refused;
  }
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
  if (channel.isEmpty()) return false;
  const std::string socketPath = PathStdBytes(channel);
  struct stat st {};
  if (::lstat(socketPath.c_str(), &st) == 0) {
    // Only a socket of our own is ours to take over.
    if (!IsOwnSocket(socketPath)) return false;
    // Listening would replace a socket that is in use, so ask first whether anybody answers:
    // a live instance keeps the channel, a socket left by one that died is removed.
    QLocalSocket probe;
    probe.connectToServer(channel);
    if (probe.waitForConnected(1000)) {
      probe.abort();
      return false;
    }
    QLocalServer::removeServer(channel);
  }
  return server.listen(channel);
}

void OpenRequestServer::OnNewConnection() {
  while (QLocalSocket* socket = server.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // Another user's process is neither answered nor listened to.
    if (!SameUserAtOtherEnd(*socket)) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
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
