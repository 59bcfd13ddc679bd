// The channel files are handed over on (the hand-off, a stale socket and names that are not
// UTF-8 run end to end in tests/e2e): malformed requests, the desktop entry, other users'
// sockets and processes (the test plays root and nobody, so it needs root), and a flood of
// failing requests.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QtEndian>
#include <future>

#include "../core/Isolation.h"
#include "ShellFixture.h"
#include "app/OpenRequest.h"
#include "app/ShellRegistration.h"
#include "res/Resources.h"

namespace {

// Runs blocking work on another thread while this one serves its events.
template <class Work>
auto Serving(Work work) {
  auto result = std::async(std::launch::async, std::move(work));
  QElapsedTimer clock;
  clock.start();
  while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready &&
         clock.elapsed() < 240000)
    QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  return result.get();
}

QByteArray Request(const QByteArray& path, const QByteArray& tail = {}) {
  char length[4];
  qToBigEndian<quint32>(static_cast<quint32>(path.size()), length);
  return "MIREV-OPEN\n" + QByteArray(length, 4) + path + tail;
}

// A socket listening at path, or connected to it; -1 if it cannot be.
int Socket(const std::string& path, bool listening) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), std::min(path.size(), sizeof address.sun_path - 1));
  const auto* at = reinterpret_cast<const sockaddr*>(&address);
  if (fd >= 0 && (listening ? ::bind(fd, at, sizeof address) == 0 && ::listen(fd, 8) == 0
                            : ::connect(fd, at, sizeof address) == 0))
    return fd;
  if (fd >= 0) ::close(fd);
  return -1;
}

// Waits until fd is readable, or until stop is (which it is once the test closes its end).
bool Readable(int fd, int stop, int timeoutMs) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {stop, POLLIN, 0}};
  return ::poll(fds, stop >= 0 ? 2 : 1, timeoutMs) > 0 && (fds[0].revents & (POLLIN | POLLHUP)) != 0;
}

// As nobody, listens at path and counts what arrives until told to stop.
std::string ForeignListener(const std::string& path, int stop) {
  const int fd = Socket(path, true);
  if (fd < 0) return SystemError("listen as nobody");
  int connections = 0;
  std::size_t bytes = 0;
  while (Readable(fd, stop, 20000)) {
    const int connection = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    ++connections;
    char buffer[256];
    for (ssize_t n; Readable(connection, -1, 2000) && (n = ::read(connection, buffer, sizeof buffer)) > 0;)
      bytes += static_cast<std::size_t>(n);
    ::close(connection);
  }
  return "connections " + std::to_string(connections) + " bytes " + std::to_string(bytes);
}

// Sends message on a raw socket; the answer.
std::string Requester(const std::string& path, const QByteArray& message = Request("/etc/hostname")) {
  const int fd = Socket(path, false);
  if (fd < 0) return SystemError("connect");
  if (::write(fd, message.data(), static_cast<std::size_t>(message.size())) != message.size())
    return SystemError("send");
  std::string answer;
  char buffer[64];
  for (ssize_t n; Readable(fd, -1, 5000) && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
    answer.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  return "answer " + answer;
}

class ShellOpenChannelTest : public ShellFixture {
 protected:
  QString Channel() const { return profileDir.filePath(QStringLiteral("open.sock")); }
  // A folder open to everyone, as a shared one is: only the checks on sockets and peers keep
  // the users apart there.
  std::string SharedSocket() {
    EXPECT_EQ(::geteuid(), 0u) << "playing two users needs root";
    EXPECT_EQ(::chmod(shared.path().toUtf8().constData(), 0777), 0);
    return shared.filePath("open.sock").toStdString();
  }
  QTemporaryDir shared;
};

// The desktop entry runs the program, however odd its path, with the file to hand over.
TEST_F(ShellOpenChannelTest, TheDesktopEntryQuotesTheProgram) {
  const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", profileDir.filePath("data").toUtf8());
  EXPECT_EQ(DesktopEntryPath(), profileDir.filePath("data/applications/mirev.desktop"));
  ASSERT_TRUE(EnsureDesktopEntry("/opt/my apps/100%/mi\"rev"));
  const QString text = QString::fromUtf8(ReadAll(DesktopEntryPath()));
  qputenv("XDG_DATA_HOME", dataHome);
  EXPECT_TRUE(text.startsWith("[Desktop Entry]\n") && text.contains("\nMimeType=text/x-tex;\n")) << text;
  EXPECT_TRUE(text.contains("\nExec=\"/opt/my apps/100%%/mi\\\\\"rev\" --open %f\n")) << text;
}

TEST_F(ShellOpenChannelTest, AnotherUsersSocketIsNeitherUsedNorHandedAPath) {
  const std::string path = SharedSocket();
  int stop[2];
  ASSERT_EQ(::pipe(stop), 0);
  auto nobody = std::async(std::launch::async, [&] {
    return InChild(
        [&] {
          ::close(stop[1]);
          return DropPrivileges();
        },
        [&] { return ForeignListener(path, stop[0]); });
  });
  for (int i = 0; i < 2000 && ::access(path.c_str(), F_OK) != 0; ++i) ::usleep(1000);
  // Its socket file says whose it is.
  EXPECT_EQ(SendOpenRequest(QString::fromStdString(path), "/home/secret.tex", 2000), HandOffResult::Refused);
  // A socket file that looks like ours: the process behind it says whose it is.
  ASSERT_EQ(::chown(path.c_str(), 0, 0), 0);
  EXPECT_EQ(SendOpenRequest(QString::fromStdString(path), "/home/secret.tex", 2000), HandOffResult::Refused);
  ::close(stop[1]);
  ::close(stop[0]);
  EXPECT_EQ(nobody.get(), "connections 1 bytes 0");
  // Nor is its socket taken over.
  ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
  EXPECT_FALSE(OpenRequestServer(QString::fromStdString(path)).Listen());
}

TEST_F(ShellOpenChannelTest, MalformedRequestsAndOtherUsersAreRefusedAndALiveChannelIsKept) {
  const std::string path = SharedSocket();
  const QString channel = QString::fromStdString(path);
  OpenRequestServer server(channel);
  ASSERT_TRUE(server.Listen());
  ASSERT_EQ(::chmod(path.c_str(), 0777), 0);  // so that nobody may connect at all
  QStringList requested;
  QObject::connect(&server, &OpenRequestServer::openRequested,
                   [&](const QString& file) { requested << file; });
  auto exchange = [&](const QByteArray& message) {
    return Serving([&] { return Requester(path, message); });
  };
  for (const QByteArray& bad :
       {Request("relative/a.tex"), Request("/a.tex", "trailing"), Request(QByteArray(70000, '/'))})
    EXPECT_EQ(exchange(bad), "answer NO\n");
  // From nobody, then the same request from the same user, so the refusal was the peer's.
  EXPECT_EQ(Serving([&] { return InChild(DropPrivileges, [&] { return Requester(path); }); }), "answer ");
  EXPECT_EQ(exchange(Request("/etc/hostname")), "answer OK\n");
  EXPECT_EQ(Serving([&] { return SendOpenRequest(channel, "/tmp/ü ber/a.tex", 5000); }),
            HandOffResult::Delivered);
  QCoreApplication::processEvents();
  EXPECT_EQ(requested, (QStringList{"/etc/hostname", "/tmp/ü ber/a.tex"}));
  EXPECT_FALSE(OpenRequestServer(channel).Listen());  // a live one is not taken over
}

// Answers every box after letting the event loop run inside it, as a modal box does, and
// notes how deep boxes were nested.
class FloodBoxes : public DialogService {
 public:
  Answer MessageBox(QWidget*, const QString&, const QString& text, Buttons, Icon) override {
    ++boxes;
    deepest = std::max(deepest, ++depth);
    if (text != QString::fromUtf8(ResourceString(IDS_FILE_ERROR))) ++strangers;
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    --depth;
    return Answer::Ok;
  }
  int boxes = 0, depth = 0, deepest = 0, strangers = 0;
};

TEST_F(ShellOpenChannelTest, AFloodOfFailingRequestsShowsOneBoxAtATime) {
  FloodBoxes flood;
  // Listening on Channel(), its desktop entry kept in the profile folder.
  const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", profileDir.filePath("data").toUtf8());
  ASSERT_TRUE(Start({}, &flood, [&](AppOptions& options) {
    options.channelName = Channel();
    options.shellIntegration = true;
  }));
  qputenv("XDG_DATA_HOME", dataHome);
  constexpr int kRequests = 6000;
  const int delivered = Serving([channel = Channel()] {
    int count = 0;
    for (int i = 0; i < kRequests; ++i)
      count += SendOpenRequest(channel, QStringLiteral("/no/such/file%1.tex").arg(i), 5000) ==
               HandOffResult::Delivered;
    return count;
  });
  QElapsedTimer clock;
  clock.start();
  while (flood.boxes < kRequests && clock.elapsed() < 60000) QCoreApplication::processEvents();
  EXPECT_EQ(delivered, kRequests);
  EXPECT_EQ(flood.boxes, kRequests);
  EXPECT_EQ(flood.deepest, 1);
  EXPECT_EQ(flood.strangers, 0);
  EXPECT_EQ(ChildTitles(), QStringList{"TeX1"});
  Finish();
}

}  // namespace
