// Which announced session bus the program keeps, on every transport: private daemons that
// answer, and sockets of the test's own that stand for daemons that have stopped.
#include "platform/qt/session_bus.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>
#include <initializer_list>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;

// Four times the probe's limit: a probe still busy by then would have waited for ever.
constexpr auto kHangBound = 2s;
// Then whatever holds the probe is let go, so that the row fails on its time, not on ctest's.
constexpr auto kReleaseAfter = 4s;

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&&) = delete;
  ~Fd() {
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  int Get() const { return fd_; }

 private:
  int fd_;
};

// A private bus daemon listening on the address given.
class BusDaemon {
 public:
  explicit BusDaemon(const QByteArray& address) {
    process_.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1"),
                    QStringLiteral("--address=") + QString::fromLatin1(address)});
    if (process_.waitForReadyRead(10000)) {
      address_ = process_.readLine().trimmed();
    }
  }
  ~BusDaemon() {
    process_.kill();
    process_.waitForFinished();
  }
  // The address it prints, with the port it took; empty when it did not start.
  const QByteArray& Address() const { return address_; }

 private:
  QProcess process_;
  QByteArray address_;
};

// A unix socket at path that takes connections into its backlog and never reads them.
Fd UnixListener(const std::string& path, int backlog) {
  Fd listener(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  EXPECT_EQ(bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(listen(listener.Get(), backlog), 0);
  return listener;
}

// A tcp socket on a free loopback port, listening or not, that never reads; and its port.
std::pair<Fd, QByteArray> TcpSocket(bool listening) {
  Fd tcp(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  EXPECT_EQ(bind(tcp.Get(), reinterpret_cast<sockaddr*>(&address), size), 0);
  EXPECT_EQ(listening ? listen(tcp.Get(), 8) : 0, 0);
  EXPECT_EQ(getsockname(tcp.Get(), reinterpret_cast<sockaddr*>(&address), &size), 0);
  return {std::move(tcp), QByteArray::number(ntohs(address.sin_port))};
}

// Sets the variables a row names, and puts back what was there before it.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::initializer_list<std::pair<const char*, std::optional<QByteArray>>> set) {
    for (const auto& [name, value] : set) {
      saved_.emplace_back(name, qEnvironmentVariableIsSet(name)
                                    ? std::optional<QByteArray>(qgetenv(name))
                                    : std::nullopt);
      Put(name, value);
    }
  }
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) {
      Put(name, value);
    }
  }

 private:
  static void Put(const char* name, const std::optional<QByteArray>& value) {
    if (value) {
      qputenv(name, *value);
    } else {
      qunsetenv(name);
    }
  }
  std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};

// The probe's time; should it still be busy after kReleaseAfter, release() lets it go, again
// and again, as a probe may be held by one thing after another.
template <typename Release>
std::chrono::steady_clock::duration TimeProbe(Release release) {
  std::promise<void> done;
  std::thread watchdog([finished = done.get_future(), &release] {
    for (auto wait = std::chrono::milliseconds(kReleaseAfter);
         finished.wait_for(wait) == std::future_status::timeout; wait = 100ms) {
      release();
    }
  });
  const auto start = std::chrono::steady_clock::now();
  platform::qt::UseOnlyALiveSessionBus();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  done.set_value();
  watchdog.join();
  return elapsed;
}

// A FIFO nobody writes to: a name lookup that opens it waits until release().
struct StalledFile {
  explicit StalledFile(std::string fifoPath) : path(std::move(fifoPath)) {
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
  }
  ~StalledFile() { Release(); }
  void Release() const { Fd writer(open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)); }
  std::string path;
};

enum class Expect { kKept, kNoBus };

TEST(SessionBusTest, KeepsOnlyABusThatAnswersInTime) {
  if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) {
    GTEST_SKIP() << "no dbus-daemon to run a private bus";
  }
  testing_support::TempDir temp;
  const std::string root = temp.Path();
  for (const char* folder : {"/live", "/run,time%", "/stopped", "/linked"}) {
    ASSERT_EQ(mkdir((root + folder).c_str(), 0700), 0);
  }
  const QByteArray live = QByteArray::fromStdString(root + "/live");
  const QByteArray odd = QByteArray::fromStdString(root + "/run,time%");
  const QByteArray stopped = QByteArray::fromStdString(root + "/stopped");
  // libdbus takes no link there for the bus: it would start a bus of its own instead.
  const QByteArray linked = QByteArray::fromStdString(root + "/linked");
  ASSERT_EQ(symlink((root + "/live/bus").c_str(), (root + "/linked/bus").c_str()), 0);
  const BusDaemon runtimeBus("unix:path=" + live + "/bus");
  const BusDaemon oddRuntimeBus("unix:path=" + (odd + "/bus").toPercentEncoding("/"));
  const BusDaemon abstractBus("unix:abstract=" + QByteArray::fromStdString(root) + "-abstract");
  const BusDaemon tcpBus("tcp:host=127.0.0.1,port=0");
  const BusDaemon nonceBus("nonce-tcp:host=127.0.0.1,port=0");
  for (const BusDaemon* bus : {&runtimeBus, &oddRuntimeBus, &abstractBus, &tcpBus, &nonceBus}) {
    ASSERT_FALSE(bus->Address().isEmpty()) << "a private dbus-daemon did not start";
  }
  QByteArray tcpPort;
  for (const QByteArray& pair : tcpBus.Address().split(',')) {
    if (pair.startsWith("port=")) {
      tcpPort = pair.mid(5);
    }
  }

  // A daemon that has stopped: its socket still takes connections, and nothing reads them.
  const Fd stoppedBus = UnixListener(root + "/stopped/bus", 8);
  // One whose backlog has filled too: a connect waits there for room.
  const Fd fullBus = UnixListener(root + "/full", 0);
  std::vector<Fd> queued;
  while (queued.size() < 64) {
    Fd client(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, (root + "/full").c_str(), sizeof address.sun_path - 1);
    if (connect(client.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ASSERT_EQ(errno, EAGAIN);
      break;
    }
    queued.push_back(std::move(client));
  }
  const auto [silentTcp, silentPort] = TcpSocket(true);
  const auto [closedTcp, closedPort] = TcpSocket(false);
  // glibc's resolver reads $HOSTALIASES for a name without dots before it asks a name server:
  // pointed at this FIFO, such a lookup does not end until it is let go.
  const StalledFile hostAliases(root + "/host-aliases");
  QByteArray stalledLookups;
  for (int i = 0; i < 8; ++i) {
    stalledLookups += "tcp:host=stalled,port=1;";
  }

  const struct {
    const char* label;
    std::optional<QByteArray> announced;  // DBUS_SESSION_BUS_ADDRESS; nothing: unset
    QByteArray runtimeFolder;
    Expect expect;
    std::optional<QByteArray> hostAliases = std::nullopt;
  } rows[] = {
      {"nothing announced", std::nullopt, "/nonexistent", Expect::kNoBus},
      {"a live bus in the runtime folder", std::nullopt, live, Expect::kKept},
      {"a live bus in a runtime folder named with ',' and '%'", std::nullopt, odd, Expect::kKept},
      {"a stopped bus in the runtime folder", std::nullopt, stopped, Expect::kNoBus},
      {"a stopped bus announced", "unix:path=" + stopped + "/bus", "/nonexistent", Expect::kNoBus},
      {"a link in the runtime folder to a live bus", std::nullopt, linked, Expect::kNoBus},
      {"a stopped bus with a full backlog",
       QByteArray::fromStdString("unix:path=" + root + "/full"), "/nonexistent", Expect::kNoBus},
      {"a live bus on an abstract socket", abstractBus.Address(), "/nonexistent", Expect::kKept},
      {"an address only a daemon can listen on, then a live bus",
       "unix:tmpdir=/tmp;" + abstractBus.Address(), "/nonexistent", Expect::kKept},
      {"a live bus on tcp", tcpBus.Address(), "/nonexistent", Expect::kKept},
      {"a live bus on tcp, by name", "tcp:host=localhost,port=" + tcpPort, "/nonexistent",
       Expect::kKept},
      {"a tcp listener that never answers", "tcp:host=127.0.0.1,port=" + silentPort, "/nonexistent",
       Expect::kNoBus},
      {"a tcp port nothing listens on, then a live bus",
       "tcp:host=127.0.0.1,port=" + closedPort + ";" + runtimeBus.Address(), "/nonexistent",
       Expect::kKept},
      {"a live bus on nonce-tcp", nonceBus.Address(), "/nonexistent", Expect::kKept},
      {"a bus to autolaunch", "autolaunch:", "/nonexistent", Expect::kNoBus},
      {"a program to run as the bus", "unixexec:path=/bin/true", "/nonexistent", Expect::kNoBus},
      // Last: its lookup is still waiting on the FIFO after the row.
      {"names whose lookup never ends", stalledLookups, "/nonexistent", Expect::kNoBus,
       QByteArray::fromStdString(hostAliases.path)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    const ScopedEnvironment environment({{"DBUS_SESSION_BUS_ADDRESS", row.announced},
                                         {"XDG_RUNTIME_DIR", row.runtimeFolder},
                                         {"HOSTALIASES", row.hostAliases}});
    const auto elapsed = TimeProbe([&] {
      Fd room(accept4(fullBus.Get(), nullptr, nullptr, SOCK_CLOEXEC));
      hostAliases.Release();
    });
    EXPECT_LT(elapsed, kHangBound);
    const std::string left = qgetenv("DBUS_SESSION_BUS_ADDRESS").toStdString();
    if (row.expect == Expect::kKept) {
      EXPECT_EQ(left, row.announced.value_or(QByteArray()).toStdString());
    } else {
      EXPECT_EQ(left, "disabled:");
    }
  }
}

}  // namespace
