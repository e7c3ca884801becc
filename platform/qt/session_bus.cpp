#include "platform/qt/session_bus.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <QByteArray>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace platform::qt {
namespace {

struct UnixSocketAddress {
  sockaddr_un address{};
  socklen_t length = 0;
};

// The announced address, or libdbus's own fallback, the socket in the runtime folder.
std::string AnnouncedAddress() {
  const QByteArray announced = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  if (!announced.isEmpty()) {
    return announced.toStdString();
  }
  return "unix:path=" + qgetenv("XDG_RUNTIME_DIR").toStdString() + "/bus";
}

// A D-Bus address value with its %XX escapes undone.
std::string Unescaped(const std::string& value) {
  return QByteArray::fromPercentEncoding(QByteArray::fromStdString(value)).toStdString();
}

// The socket of one address when it is a unix path or abstract socket, the ones a session bus
// uses; nothing for any other transport, which the probe leaves to libdbus.
std::optional<UnixSocketAddress> UnixSocketOf(const std::string& first) {
  const std::string prefix = "unix:";
  if (first.compare(0, prefix.size(), prefix) != 0) {
    return std::nullopt;
  }
  UnixSocketAddress socket;
  socket.address.sun_family = AF_UNIX;
  size_t start = prefix.size();
  while (start < first.size()) {
    const size_t end = std::min(first.find(',', start), first.size());
    const std::string pair = first.substr(start, end - start);
    start = end + 1;
    const size_t equals = pair.find('=');
    if (equals == std::string::npos) {
      continue;
    }
    const std::string key = pair.substr(0, equals);
    const std::string value = Unescaped(pair.substr(equals + 1));
    const bool abstract = key == "abstract";
    if ((key != "path" && !abstract) || value.size() + 1 > sizeof socket.address.sun_path) {
      continue;
    }
    // An abstract name follows a NUL byte; a path is followed by one. Either way: one byte more.
    std::memcpy(socket.address.sun_path + (abstract ? 1 : 0), value.data(), value.size());
    socket.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + value.size() + 1);
    return socket;
  }
  return std::nullopt;
}

enum class Probe { kAnswers, kNoConnection, kSilent };

// Whether a daemon behind the socket reads and answers: it is sent the first line of the
// authentication it expects of every client, and any answer at all within the limit will do.
Probe ProbeSocket(const UnixSocketAddress& socket, int limitMs) {
  // Blocking, with the limit as its timeout: a unix socket whose daemon has stopped taking
  // connections fills its backlog, and a connect waits for room there.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return Probe::kNoConnection;
  }
  const timeval limit{limitMs / 1000, (limitMs % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  const auto remainingMs = [&deadline] {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
  };
  if (connect(fd, reinterpret_cast<const sockaddr*>(&socket.address), socket.length) != 0) {
    const bool timedOut = errno == EAGAIN || errno == EINPROGRESS || errno == ETIMEDOUT;
    close(fd);
    return timedOut ? Probe::kSilent : Probe::kNoConnection;
  }
  std::string hello(1, '\0');
  hello += "AUTH EXTERNAL ";
  for (const char digit : std::to_string(getuid())) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(digit));
    hello += hex;
  }
  hello += "\r\n";
  pollfd readable{fd, POLLIN, 0};
  char reply[64];
  const bool answered = send(fd, hello.data(), hello.size(), MSG_NOSIGNAL | MSG_DONTWAIT) ==
                            static_cast<ssize_t>(hello.size()) &&
                        poll(&readable, 1, remainingMs()) == 1 && read(fd, reply, sizeof reply) > 0;
  close(fd);
  return answered ? Probe::kAnswers : Probe::kSilent;
}

// As libdbus goes through the list: an address it cannot connect to is passed over, and the
// first it connects to is the bus.
bool BusAnswers(const std::string& addresses) {
  size_t start = 0;
  while (start < addresses.size()) {
    const size_t end = std::min(addresses.find(';', start), addresses.size());
    const std::optional<UnixSocketAddress> socket =
        UnixSocketOf(addresses.substr(start, end - start));
    start = end + 1;
    if (!socket) {
      return true;
    }
    switch (ProbeSocket(*socket, kBusWaitLimitMs)) {
      case Probe::kAnswers:
        return true;
      case Probe::kSilent:
        return false;
      case Probe::kNoConnection:
        break;
    }
  }
  return false;
}

}  // namespace

bool SessionBusAnnounced() {
  if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
    return true;
  }
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  struct stat info {};
  return !runtime.isEmpty() && stat((runtime + "/bus").constData(), &info) == 0 &&
         S_ISSOCK(info.st_mode);
}

void UseOnlyALiveSessionBus() {
  if (SessionBusAnnounced()) {
    if (BusAnswers(AnnouncedAddress())) {
      return;
    }
    std::fputs("whichkontakt: the session bus does not answer; running on its own\n", stderr);
  }
  qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
}

}  // namespace platform::qt
