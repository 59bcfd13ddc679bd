// The channel files are handed over on; the test plays nobody for a moment, so it needs root.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QtEndian>
#include <fstream>
#include <future>

#include "ShellFixture.h"
#include "app/OpenRequest.h"

namespace {

// A socket at path, listening or connected, made as the user uid; -1 if it cannot be.
int Socket(const std::string& path, bool listening, uid_t uid = 0) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_un address{AF_UNIX, {}};
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  const auto* at = reinterpret_cast<const sockaddr*>(&address);
  const bool made =
      ::seteuid(uid) == 0 && (listening ? ::bind(fd, at, sizeof address) == 0 && ::listen(fd, 8) == 0
                                        : ::connect(fd, at, sizeof address) == 0);
  EXPECT_EQ(::seteuid(0), 0);
  return made ? fd : (::close(fd), -1);
}

// What the server answers a request for file with, sent as the user uid; "none" if it cannot be sent.
std::string Exchange(const std::string& path, const QByteArray& file, uid_t uid = 0,
                     const QByteArray& tail = {}) {
  char length[4];
  qToBigEndian<quint32>(static_cast<quint32>(file.size()), length);
  const QByteArray message = "MIREV-OPEN\n" + QByteArray(length, 4) + file + tail;
  const int fd = Socket(path, false, uid);
  if (fd < 0 || ::write(fd, message.data(), static_cast<std::size_t>(message.size())) != message.size())
    return "none";
  std::string answer;
  QElapsedTimer clock;
  clock.start();
  char buffer[64];
  for (ssize_t n = -1; n != 0 && clock.elapsed() < 5000;) {
    QCoreApplication::processEvents();
    if ((n = ::read(fd, buffer, sizeof buffer)) > 0) answer.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return answer;
}

class ShellOpenChannelTest : public ShellFixture {
 protected:
  void SetUp() override {
    // Open to everyone, as a shared folder is: only the checks on sockets and peers guard it.
    ASSERT_EQ(::geteuid(), 0u) << "playing two users needs root";
    ASSERT_EQ(::chmod(shared.path().toUtf8().constData(), 0777), 0);
    qputenv("XDG_DATA_HOME", profileDir.filePath("data").toUtf8());  // for the desktop entry
  }
  void TearDown() override { qputenv("XDG_DATA_HOME", dataHome); }
  const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
  QTemporaryDir shared;
  const std::string socket = shared.filePath("open.sock").toStdString();
  const QString channel = QString::fromStdString(socket);
};

TEST_F(ShellOpenChannelTest, AnotherUsersSocketIsNeitherUsedNorHandedAPathNorTakenOver) {
  const int listening = Socket(socket, true, 65534);
  ASSERT_GE(listening, 0);
  // Its socket file says whose it is; a socket file that looks like ours, the process behind it.
  EXPECT_EQ(SendOpenRequest(channel, "/home/secret.tex", 2000), HandOffResult::Refused);
  ASSERT_EQ(::chown(socket.c_str(), 0, 0), 0);
  EXPECT_EQ(SendOpenRequest(channel, "/home/secret.tex", 2000), HandOffResult::Refused);
  const int connection = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
  char byte;
  EXPECT_TRUE(connection >= 0 && ::read(connection, &byte, 1) == 0) << "connected once, sent nothing";
  ::close(connection);
  ASSERT_EQ(::chown(socket.c_str(), 65534, 65534), 0);
  EXPECT_FALSE(OpenRequestServer(channel).Listen());
  ::close(listening);
}

TEST_F(ShellOpenChannelTest, MalformedRequestsAndOtherUsersAreRefusedAndALiveChannelIsKept) {
  OpenRequestServer server(channel);
  ASSERT_TRUE(server.Listen());
  ASSERT_EQ(::chmod(socket.c_str(), 0777), 0);  // so that nobody may connect at all
  QStringList requested;
  QObject::connect(&server, &OpenRequestServer::openRequested,
                   [&](const QString& file) { requested << file; });
  for (const QByteArray& bad :
       {QByteArray("relative/a.tex"), QByteArray("/a.tex\0", 7), QByteArray(70000, '/')})
    EXPECT_EQ(Exchange(socket, bad), "NO\n") << bad.left(20).toStdString();
  EXPECT_EQ(Exchange(socket, "/a.tex", 0, "trailing"), "NO\n");
  // From nobody, then the same request from the same user, so the refusal was the peer's.
  EXPECT_EQ(Exchange(socket, "/etc/hostname", 65534), "");
  EXPECT_EQ(Exchange(socket, "/etc/hostname"), "OK\n");
  EXPECT_EQ(requested, QStringList{"/etc/hostname"});
  EXPECT_FALSE(OpenRequestServer(channel).Listen());
}

// Answers every box after letting the event loop run inside it, as a modal box does.
class FloodBoxes : public DialogService {
 public:
  Answer MessageBox(QWidget*, const QString&, const QString&, Buttons, Icon) override {
    ++boxes;
    deepest = std::max(deepest, ++depth);
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    --depth;
    return Answer::Ok;
  }
  int boxes = 0, depth = 0, deepest = 0;
};

// With lnk -> sub/deeper, "x/lnk/../f.tex" is x/sub/f.tex, not the f.tex beside the link.
TEST_F(ShellOpenChannelTest, AFileNamedThroughALinkIsTheKernelsAndAFloodOfFailingRequestsShowsOneBoxAtATime) {
  ASSERT_TRUE(QDir(shared.path()).mkpath("x/sub/deeper") &&
              QFile::link("sub/deeper", shared.filePath("x/lnk")));
  std::ofstream(shared.filePath("x/sub/f.tex").toStdString()) << "read me\r\n";
  FloodBoxes flood;
  ASSERT_TRUE(Start({shared.filePath("x/lnk/../f.tex")}, &flood, [&](AppOptions& options) {
    options.channelName = channel;
    options.shellIntegration = true;
  }));
  constexpr int kRequests = 6000;
  auto delivered = std::async(std::launch::async, [&] {
    int count = 0;
    for (int i = 0; i < kRequests; ++i)
      count += SendOpenRequest(channel, QStringLiteral("/no/such/file%1.tex").arg(i), 5000) ==
               HandOffResult::Delivered;
    return count;
  });
  QElapsedTimer clock;
  clock.start();
  while (
      (flood.boxes < kRequests || delivered.wait_for(std::chrono::seconds(0)) != std::future_status::ready) &&
      clock.elapsed() < 240000)
    QCoreApplication::processEvents();
  EXPECT_EQ(delivered.get(), kRequests);
  EXPECT_EQ(flood.boxes, kRequests);
  EXPECT_EQ(flood.deepest, 1);
  EXPECT_EQ(ChildTitles().size(), 1);
  EXPECT_EQ(ActiveDocument().PathName(), QDir(shared.path()).canonicalPath() + "/x/sub/f.tex");
}

}  // namespace
