// Files handed over from the desktop: the local channel between instances and the desktop
// entry that starts it.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QtEndian>
#include <future>

#include "ShellFixture.h"
#include "app/OpenRequest.h"
#include "app/ShellRegistration.h"

namespace {

class ShellOpenRequestTest : public ShellFixture {
 protected:
  QString Channel() const { return profileDir.filePath(QStringLiteral("open.sock")); }

  // Runs blocking client work on another thread while this one serves.
  template <class Work>
  static auto Serving(Work work) {
    auto result = std::async(std::launch::async, std::move(work));
    QElapsedTimer box;
    box.start();
    while (result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready &&
           box.elapsed() < 20000)
      QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return result.get();
  }
  HandOffResult Send(const QString& channel, const QString& path) {
    return Serving([channel, path] { return SendOpenRequest(channel, path, 5000); });
  }
  // Raw bytes to the channel; the answer, or nothing.
  QByteArray Exchange(const QByteArray& message) {
    return Serving([channel = Channel(), message] {
      QLocalSocket socket;
      socket.connectToServer(channel);
      if (!socket.waitForConnected(5000)) return QByteArray("no connection");
      socket.write(message);
      socket.waitForBytesWritten(5000);
      QByteArray reply;
      while (socket.waitForReadyRead(5000)) reply += socket.readAll();
      return reply;
    });
  }

  static QByteArray Framed(const QByteArray& magic, const QByteArray& path) {
    char length[4];
    qToBigEndian<quint32>(static_cast<quint32>(path.size()), length);
    return magic + QByteArray(length, 4) + path;
  }
};

// A socket file that nobody listens on, as a killed instance leaves it.
bool MakeStaleSocket(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (static_cast<std::size_t>(name.size()) >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  ::close(fd);
  return bound && QFileInfo::exists(path);
}

}  // namespace

TEST_F(ShellOpenRequestTest, MalformedRequestsAreRefused) {
  OpenRequestServer server(Channel());
  ASSERT_TRUE(server.Listen());
  int requests = 0;
  QObject::connect(&server, &OpenRequestServer::openRequested, [&] { ++requests; });
  const QByteArray magic = "MIREV-OPEN\n";
  EXPECT_EQ(Exchange(Framed(magic, "relative/a.tex")), "NO\n");
  EXPECT_EQ(Exchange(Framed(magic, "/a.tex") + "trailing"), "NO\n");
  QByteArray huge = magic;
  huge.append("\x7f\xff\xff\xff", 4);
  EXPECT_EQ(Exchange(huge), "NO\n");
  QCoreApplication::processEvents();
  EXPECT_EQ(requests, 0);
  // The server still serves.
  EXPECT_EQ(Exchange(Framed(magic, "/a.tex")), "OK\n");
  QCoreApplication::processEvents();
  EXPECT_EQ(requests, 1);
}

TEST_F(ShellOpenRequestTest, ASocketLeftByADeadInstanceIsTakenOverAndALiveOneIsNot) {
  ASSERT_TRUE(MakeStaleSocket(Channel()));
  EXPECT_EQ(Send(Channel(), "/a.tex"), HandOffResult::NoInstance);
  OpenRequestServer server(Channel());
  ASSERT_TRUE(server.Listen());
  QStringList requested;
  QObject::connect(&server, &OpenRequestServer::openRequested,
                   [&](const QString& path) { requested.append(path); });
  EXPECT_EQ(Send(Channel(), "/tmp/ü ber/a.tex"), HandOffResult::Delivered);
  QCoreApplication::processEvents();
  EXPECT_EQ(requested, QStringList{"/tmp/ü ber/a.tex"});
  OpenRequestServer second(Channel());
  EXPECT_FALSE(second.Listen());
}

TEST_F(ShellOpenRequestTest, TheRunningApplicationOpensHandedFilesThroughTheGate) {
  const QString path = WriteFile("handed.tex", "x\n");
  AppOptions options;
  options.profileLocation = ProfilePath();
  options.dialogs = &dialogs;
  options.shellIntegration = true;
  options.channelName = Channel();
  const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", profileDir.filePath("data").toUtf8());
  app = std::make_unique<CMirevApp>(options);
  ASSERT_TRUE(app->InitInstance({"mirev"}));
  qputenv("XDG_DATA_HOME", dataHome);

  EXPECT_EQ(Send(Channel(), path), HandOffResult::Delivered);
  QCoreApplication::processEvents();
  EXPECT_EQ(ChildTitles(), (QStringList{"TeX1", "handed.tex"}));

  dialogs.Expect(DialogService::Answer::Ok);
  EXPECT_EQ(Send(Channel(), filesDir.filePath("missing.tex")), HandOffResult::Delivered);
  QCoreApplication::processEvents();
  EXPECT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(ChildTitles().size(), 2);
}

TEST_F(ShellOpenRequestTest, TheDesktopEntryQuotesTheProgram) {
  const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", profileDir.filePath("data").toUtf8());
  const QString entryPath = DesktopEntryPath();
  EXPECT_EQ(entryPath, profileDir.filePath("data/applications/mirev.desktop"));
  ASSERT_TRUE(EnsureDesktopEntry("/opt/my apps/100%/mi\"rev"));
  QFile file(entryPath);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
  EXPECT_TRUE(text.contains("\nMimeType=text/x-tex;\n"));
  EXPECT_TRUE(text.contains("\nExec=\"/opt/my apps/100%%/mi\\\\\"rev\" --open %f\n")) << text.toStdString();
  qputenv("XDG_DATA_HOME", dataHome);
}
