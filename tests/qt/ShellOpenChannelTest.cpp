// The open channel against other users and floods: a socket or a process of another user is
// neither used nor answered (the test plays root and nobody, so it needs root), thousands of
// failing requests show their boxes one after another, and a name that is not UTF-8 arrives
// as the bytes it is.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <functional>
#include <future>

#include "../core/Isolation.h"
#include "ShellFixture.h"
#include "app/FilePath.h"
#include "app/OpenRequest.h"
#include "res/Resources.h"

namespace {

// A process of its own that runs body while the test goes on; closing its stop pipe tells it
// to finish, and its report is read when it has ended.
class Child {
 public:
  explicit Child(const std::function<std::string(int stop)>& body) {
    int report[2], stop[2];
    if (::pipe2(report, O_CLOEXEC) != 0 || ::pipe2(stop, O_CLOEXEC) != 0) return;
    std::fflush(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(report[0]);
      ::close(stop[1]);
      const std::string text = body(stop[0]);
      const bool written = ::write(report[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
      ::_exit(written ? 0 : 1);
    }
    ::close(report[1]);
    ::close(stop[0]);
    report_ = report[0];
    stop_ = stop[1];
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { Finish(); }

  // Tells the child to stop, serves this thread's events until it has ended, and returns
  // its report.
  std::string Finish() {
    if (pid_ <= 0) return "no child";
    if (stop_ >= 0) ::close(std::exchange(stop_, -1));
    QElapsedTimer clock;
    clock.start();
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (clock.elapsed() > 20000) ::kill(pid_, SIGKILL);
      QCoreApplication::processEvents();
      ::usleep(1000);
    }
    pid_ = -1;
    std::string text;
    char buffer[1024];
    for (ssize_t n; (n = ::read(report_, buffer, sizeof buffer)) > 0;)
      text.append(buffer, static_cast<std::size_t>(n));
    ::close(report_);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) text += "(the child ended abnormally)";
    return text;
  }

 private:
  pid_t pid_ = -1;
  int report_ = -1;
  int stop_ = -1;
};

sockaddr_un Address(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), std::min(path.size(), sizeof address.sun_path - 1));
  return address;
}

// Waits until fd is readable, or until stop says finish when nothing is waiting on fd.
bool Readable(int fd, int stop, int timeoutMs) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {stop, POLLIN, 0}};
  return ::poll(fds, stop >= 0 ? 2 : 1, timeoutMs) > 0 && (fds[0].revents & (POLLIN | POLLHUP)) != 0;
}

// As nobody, listens at path and counts what arrives until told to stop.
std::string ForeignListener(const std::string& path, int stop) {
  if (std::string error = DropPrivileges(); !error.empty()) return error;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_un address = Address(path);
  if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 8) != 0)
    return SystemError("listen as nobody");
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

// As the given user (nobody, or root when asNobody is false), sends an open request and
// reports the answer.
std::string Requester(const std::string& path, bool asNobody) {
  if (asNobody) {
    if (std::string error = DropPrivileges(); !error.empty()) return error;
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_un address = Address(path);
  if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return SystemError("connect");
  const std::string file = "/etc/hostname";
  std::string message = "MIREV-OPEN\n";
  char length[4];
  qToBigEndian<quint32>(static_cast<quint32>(file.size()), length);
  message.append(length, 4);
  message += file;
  if (::write(fd, message.data(), message.size()) != static_cast<ssize_t>(message.size()))
    return SystemError("send");
  std::string answer;
  char buffer[64];
  for (ssize_t n; Readable(fd, -1, 5000) && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
    answer.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  return "answer " + answer;
}

bool WaitForSocket(const std::string& path) {
  for (int i = 0; i < 2000; ++i) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) return true;
    ::usleep(1000);
  }
  return false;
}

class ShellOpenChannelTest : public ShellFixture {
 protected:
  void SetUp() override {
    ASSERT_EQ(::geteuid(), 0u) << "playing two users needs root";
    // Open to everyone, as a shared folder is: only the checks on sockets and peers keep
    // the users apart here.
    ASSERT_EQ(::chmod(shared.path().toUtf8().constData(), 0777), 0);
  }
  std::string SharedPath(const char* name) const { return shared.filePath(name).toStdString(); }

  // Starts the application with its channel at channel.
  void StartListening(const QString& channel) {
    AppOptions options;
    options.profileLocation = ProfilePath();
    options.dialogs = &dialogs;
    options.shellIntegration = true;
    options.channelName = channel;
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", profileDir.filePath("data").toUtf8());
    app = std::make_unique<CMirevApp>(options);
    ASSERT_TRUE(app->InitInstance({"mirev"}));
    qputenv("XDG_DATA_HOME", dataHome);
  }

  QTemporaryDir shared;
};

TEST_F(ShellOpenChannelTest, AnotherUsersSocketIsNeitherUsedNorHandedAPath) {
  const std::string path = SharedPath("open.sock");
  Child nobody([&](int stop) { return ForeignListener(path, stop); });
  ASSERT_TRUE(WaitForSocket(path));
  // Its socket file says whose it is.
  EXPECT_EQ(SendOpenRequest(QString::fromStdString(path), "/home/secret.tex", 2000), HandOffResult::Refused);
  // A socket file that looks like ours: the process behind it says whose it is.
  ASSERT_EQ(::chown(path.c_str(), 0, 0), 0);
  EXPECT_EQ(SendOpenRequest(QString::fromStdString(path), "/home/secret.tex", 2000), HandOffResult::Refused);
  EXPECT_EQ(nobody.Finish(), "connections 1 bytes 0");
  // Nor is its socket taken over.
  OpenRequestServer server(QString::fromStdString(path));
  ::chown(path.c_str(), 65534, 65534);
  EXPECT_FALSE(server.Listen());
}

TEST_F(ShellOpenChannelTest, AnotherUsersRequestIsNotAnsweredNorOpened) {
  const std::string path = SharedPath("open.sock");
  OpenRequestServer server(QString::fromStdString(path));
  ASSERT_TRUE(server.Listen());
  ASSERT_EQ(::chmod(path.c_str(), 0777), 0);  // so that nobody may connect at all
  QStringList requested;
  QObject::connect(&server, &OpenRequestServer::openRequested,
                   [&](const QString& file) { requested << file; });

  Child nobody([&](int) { return Requester(path, true); });
  EXPECT_EQ(nobody.Finish(), "answer ");
  QCoreApplication::processEvents();
  EXPECT_TRUE(requested.isEmpty());

  // The same request from the same user is taken, so the refusal above was the peer's.
  Child same([&](int) { return Requester(path, false); });
  EXPECT_EQ(same.Finish(), "answer OK\n");
  QCoreApplication::processEvents();
  EXPECT_EQ(requested, QStringList{"/etc/hostname"});
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
  AppOptions options;
  options.profileLocation = ProfilePath();
  options.dialogs = &flood;
  options.channelName = profileDir.filePath("open.sock");
  const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", profileDir.filePath("data").toUtf8());
  app = std::make_unique<CMirevApp>(options);
  ASSERT_TRUE(app->InitInstance({"mirev"}));
  qputenv("XDG_DATA_HOME", dataHome);

  constexpr int kRequests = 6000;
  auto sent = std::async(std::launch::async, [channel = options.channelName] {
    int delivered = 0;
    for (int i = 0; i < kRequests; ++i)
      delivered += SendOpenRequest(channel, QStringLiteral("/no/such/file%1.tex").arg(i), 5000) ==
                   HandOffResult::Delivered;
    return delivered;
  });
  QElapsedTimer clock;
  clock.start();
  while (
      (sent.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready || flood.boxes < kRequests) &&
      clock.elapsed() < 240000)
    QCoreApplication::processEvents();
  EXPECT_EQ(sent.get(), kRequests);
  EXPECT_EQ(flood.boxes, kRequests);
  EXPECT_EQ(flood.deepest, 1);
  EXPECT_EQ(flood.strangers, 0);
  ASSERT_NE(app->MainFrame(), nullptr);
  EXPECT_EQ(ChildTitles(), QStringList{"TeX1"});
  Finish();
}

TEST_F(ShellOpenChannelTest, ANameInCodePage932OpensFromTheCommandLineAndTheChannel) {
  // 表 is 95 5C in code page 932: no UTF-8, and a backslash for its second byte.
  const QByteArray first = filesDir.path().toUtf8() + "/\x95\x5C.tex";
  const QByteArray second = filesDir.path().toUtf8() + "/\x8A\xBF\x8E\x9A.tex";  // 漢字
  for (const QByteArray& name : {first, second}) {
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "x\r\n", 3), 3);
    ::close(fd);
  }
  const QString channel = profileDir.filePath("open.sock");
  AppOptions options;
  options.profileLocation = ProfilePath();
  options.dialogs = &dialogs;
  options.channelName = channel;
  const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", profileDir.filePath("data").toUtf8());
  app = std::make_unique<CMirevApp>(options);
  ASSERT_TRUE(app->InitInstance({"mirev", PathFromBytes(first)}));
  qputenv("XDG_DATA_HOME", dataHome);
  // Shown with a mark for each byte that is no text.
  EXPECT_EQ(ChildTitles(), QStringList{QStringLiteral("\uFFFD\\.tex")});

  auto sent =
      std::async(std::launch::async, [&] { return SendOpenRequest(channel, PathFromBytes(second), 5000); });
  while (sent.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
    QCoreApplication::processEvents();
  EXPECT_EQ(sent.get(), HandOffResult::Delivered);
  QCoreApplication::processEvents();
  EXPECT_EQ(ChildTitles(),
            (QStringList{QStringLiteral("\uFFFD\\.tex"), QStringLiteral("\uFFFD\uFFFD\uFFFD\uFFFD.tex")}));
  ASSERT_EQ(Template().Documents().size(), 2);
  EXPECT_EQ(PathBytes(Template().Documents()[0]->PathName()), first);
  EXPECT_EQ(PathBytes(Template().Documents()[1]->PathName()), second);
  EXPECT_TRUE(dialogs.boxes.empty());
  Finish();
  // Qt's own file calls cannot name them: they would stay in the folder.
  for (const QByteArray& name : {first, second}) EXPECT_EQ(::unlink(name.constData()), 0);
}

}  // namespace
