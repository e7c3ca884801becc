#include "platform/qt/session_bus.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
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
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace platform::qt {
namespace {

using Clock = std::chrono::steady_clock;

// Far beyond any real bus address; a longer one is not read at all.
constexpr size_t kLongestAddressList = 16 * 1024;
// A DNS name is at most 253 bytes; an IPv6 address with its zone fits well within this.
constexpr size_t kLongestHost = 255;
// A port number, or a service name as /etc/services lists them (NI_MAXSERV).
constexpr size_t kLongestPort = 32;
// PATH_MAX, less the NUL that ends it.
constexpr size_t kLongestNonceFile = 4095;
constexpr size_t kNonceSize = 16;

// One limit for the whole probe, however many addresses it goes through.
class Deadline {
 public:
  explicit Deadline(std::chrono::milliseconds limit) : end_(Clock::now() + limit) {}

  Clock::time_point End() const { return end_; }
  std::chrono::microseconds Left() const {
    return std::max(std::chrono::microseconds::zero(),
                    std::chrono::duration_cast<std::chrono::microseconds>(end_ - Clock::now()));
  }
  bool Passed() const { return Left() == std::chrono::microseconds::zero(); }
  // Rounded up: poll would take 0 for "do not wait" while time is still left.
  int LeftMs() const { return static_cast<int>((Left().count() + 999) / 1000); }

 private:
  Clock::time_point end_;
};

// A descriptor of ours, closed when it goes.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int Get() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }

 private:
  int fd_;
};

struct AddressInfoDeleter {
  void operator()(addrinfo* info) const { freeaddrinfo(info); }
};
using AddressInfo = std::unique_ptr<addrinfo, AddressInfoDeleter>;

// One entry of a D-Bus address list, its values unescaped.
struct AddressEntry {
  std::string transport;
  std::vector<std::pair<std::string, std::string>> pairs;

  // The first value given for key, the one libdbus reads; nullptr when there is none.
  const std::string* Value(std::string_view key) const {
    const auto pair = std::find_if(pairs.begin(), pairs.end(),
                                   [key](const auto& candidate) { return candidate.first == key; });
    return pair == pairs.end() ? nullptr : &pair->second;
  }
};

// What one address, or the whole list, came to.
enum class Probe {
  kAnswers,       // a daemon read our greeting and answered
  kNoConnection,  // nothing there to connect to: libdbus goes on to the next address
  kSilent,        // connected, or still connecting, with no answer by the deadline
  kUntrusted,     // nothing that can be checked without starting or launching something
};

bool IsOptionallyEscaped(char byte) {
  return byte != '\0' && ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                          (byte >= 'a' && byte <= 'z') || std::strchr("-_/.\\*", byte) != nullptr);
}

int HexDigit(char digit) {
  if (digit >= '0' && digit <= '9') {
    return digit - '0';
  }
  if (digit >= 'a' && digit <= 'f') {
    return digit - 'a' + 10;
  }
  if (digit >= 'A' && digit <= 'F') {
    return digit - 'A' + 10;
  }
  return -1;
}

// A value with its %XX escapes undone; nothing when libdbus would refuse it. A NUL is refused
// too: libdbus would cut the value short there, and other libraries might not.
std::optional<std::string> Unescaped(std::string_view value) {
  std::string plain;
  for (size_t i = 0; i < value.size(); ++i) {
    if (IsOptionallyEscaped(value[i])) {
      plain += value[i];
      continue;
    }
    if (value[i] != '%' || value.size() - i < 3) {
      return std::nullopt;
    }
    const int high = HexDigit(value[i + 1]);
    const int low = HexDigit(value[i + 2]);
    if (high < 0 || low < 0 || (high == 0 && low == 0)) {
      return std::nullopt;
    }
    plain += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return plain;
}

// The ';'-separated list as libdbus parses it, which refuses the whole list over one bad entry:
// each entry a transport, a ':' and ','-separated key=value pairs with neither side empty.
std::optional<std::vector<AddressEntry>> ParsedAddresses(std::string_view list) {
  if (list.empty() || list.size() > kLongestAddressList) {
    return std::nullopt;
  }
  std::vector<AddressEntry> entries;
  size_t start = 0;
  while (start < list.size()) {
    const size_t end = std::min(list.find(';', start), list.size());
    const std::string_view text = list.substr(start, end - start);
    start = end + 1;
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
      return std::nullopt;
    }
    AddressEntry entry{std::string(text.substr(0, colon)), {}};
    size_t pairStart = colon + 1;
    while (pairStart < text.size()) {
      const size_t pairEnd = std::min(text.find(',', pairStart), text.size());
      const std::string_view pair = text.substr(pairStart, pairEnd - pairStart);
      pairStart = pairEnd + 1;
      const size_t equals = pair.find('=');
      if (equals == std::string_view::npos || equals == 0 || equals + 1 == pair.size()) {
        return std::nullopt;
      }
      std::optional<std::string> value = Unescaped(pair.substr(equals + 1));
      if (!value) {
        return std::nullopt;
      }
      entry.pairs.emplace_back(std::string(pair.substr(0, equals)), std::move(*value));
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

// The announced address, or libdbus's own fallback, the socket in the runtime folder; a folder
// name may hold any byte, and a ',' or '%' in it would otherwise name another socket.
std::string AnnouncedAddress() {
  const QByteArray announced = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  if (!announced.isEmpty()) {
    return announced.toStdString();
  }
  // D-Bus address escaping: every byte but letters, digits and "-_/.\\*" as %XX.
  return "unix:path=" +
         (qgetenv("XDG_RUNTIME_DIR") + "/bus").toPercentEncoding("/\\*", "~").toStdString();
}

// Whether fd becomes ready before the deadline; a signal does not end the wait.
bool WaitFor(int fd, short events, const Deadline& deadline) {
  pollfd ready{fd, events, 0};
  while (!deadline.Passed()) {
    const int result = poll(&ready, 1, deadline.LeftMs());
    if (result > 0) {
      return true;
    }
    if (result < 0 && errno != EINTR) {
      return false;
    }
  }
  return false;
}

// Whether the daemon behind a connected socket reads and answers: it is sent the nonce its
// transport may ask for, then the first line of the authentication it expects of every client,
// and any answer at all before the deadline will do.
Probe Greet(int fd, const std::string& nonce, const Deadline& deadline) {
  std::string hello = nonce;
  hello += '\0';
  hello += "AUTH EXTERNAL ";
  for (const char digit : std::to_string(getuid())) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(digit));
    hello += hex;
  }
  hello += "\r\n";
  char reply[64];
  const bool answered = send(fd, hello.data(), hello.size(), MSG_NOSIGNAL | MSG_DONTWAIT) ==
                            static_cast<ssize_t>(hello.size()) &&
                        WaitFor(fd, POLLIN, deadline) && read(fd, reply, sizeof reply) > 0;
  return answered ? Probe::kAnswers : Probe::kSilent;
}

Probe ProbeUnix(const AddressEntry& entry, const Deadline& deadline) {
  // dir=, tmpdir= and runtime= tell a daemon where to make its socket, not where one is: libdbus
  // and GDBus both refuse them in an address to connect to, and go on to the next.
  if (entry.Value("dir") != nullptr || entry.Value("tmpdir") != nullptr ||
      entry.Value("runtime") != nullptr) {
    return Probe::kNoConnection;
  }
  const std::string* path = entry.Value("path");
  const std::string* abstract = entry.Value("abstract");
  if ((path == nullptr) == (abstract == nullptr)) {
    return Probe::kNoConnection;
  }
  const std::string& name = path != nullptr ? *path : *abstract;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // A path is followed by a NUL, an abstract name follows one: either way, one byte more.
  if (name.size() + 1 > sizeof address.sun_path) {
    return Probe::kNoConnection;
  }
  std::memcpy(address.sun_path + (abstract != nullptr ? 1 : 0), name.data(), name.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + 1);

  const Descriptor client(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!client.IsOpen()) {
    return Probe::kNoConnection;
  }
  // Blocking, with what is left of the deadline as its timeout: a unix socket whose daemon has
  // stopped taking connections fills its backlog, and a connect waits for room there. A timeout
  // of zero would be no timeout at all.
  const std::chrono::microseconds left = deadline.Left();
  if (left == std::chrono::microseconds::zero()) {
    return Probe::kSilent;
  }
  const timeval limit{static_cast<time_t>(left.count() / 1000000),
                      static_cast<suseconds_t>(left.count() % 1000000)};
  if (setsockopt(client.Get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0) {
    return Probe::kSilent;
  }
  if (connect(client.Get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    const bool waiting =
        errno == EAGAIN || errno == EINPROGRESS || errno == ETIMEDOUT || errno == EINTR;
    return waiting ? Probe::kSilent : Probe::kNoConnection;
  }
  return Greet(client.Get(), {}, deadline);
}

// A lookup shared with the thread that makes it, so that whichever of the two ends last frees
// it: the probe may stop waiting long before the lookup ends.
struct Lookup {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  AddressInfo found;
};

// The addresses of host and port, or nothing when they cannot be had by the deadline. Numbers
// are read at once; a name server that does not answer would hold getaddrinfo as long as its own
// timeouts say, so a name is looked up on a thread of its own, left to end alone if it is late.
AddressInfo LookUp(const std::string& host, const std::string& port, int family,
                   const Deadline& deadline) {
  addrinfo hints{};
  hints.ai_family = family;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICHOST | AI_NUMERICSERV;
  addrinfo* numbers = nullptr;
  const int numeric = getaddrinfo(host.c_str(), port.c_str(), &hints, &numbers);
  if (numeric == 0) {
    return AddressInfo(numbers);
  }
  if (numeric != EAI_NONAME) {
    return nullptr;
  }
  hints.ai_flags = AI_ADDRCONFIG;
  const auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, host, port, hints] {
      addrinfo* found = nullptr;
      AddressInfo answer(getaddrinfo(host.c_str(), port.c_str(), &hints, &found) == 0 ? found
                                                                                      : nullptr);
      const std::lock_guard<std::mutex> lock(lookup->mutex);
      lookup->found = std::move(answer);
      lookup->finished = true;
      lookup->done.notify_one();
    }).detach();
  } catch (const std::system_error&) {
    return nullptr;
  }
  std::unique_lock<std::mutex> lock(lookup->mutex);
  if (!lookup->done.wait_until(lock, deadline.End(), [&lookup] { return lookup->finished; })) {
    return nullptr;
  }
  return std::move(lookup->found);
}

// The nonce a nonce-tcp daemon asks of its clients first, read as libdbus reads it: its first
// 16 bytes. Nothing when the file cannot be read; fewer bytes when it holds fewer.
std::optional<std::string> NonceIn(const std::string& path) {
  const Descriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat info {};
  if (!file.IsOpen() || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return std::nullopt;
  }
  char nonce[kNonceSize];
  size_t filled = 0;
  while (filled < sizeof nonce) {
    const ssize_t got = read(file.Get(), nonce + filled, sizeof nonce - filled);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      return std::nullopt;
    }
    if (got == 0) {
      break;
    }
    filled += static_cast<size_t>(got);
  }
  return std::string(nonce, filled);
}

Probe ProbeTcp(const AddressEntry& entry, bool withNonce, const Deadline& deadline) {
  // bind= names the daemon's own end; a client has no use for it, and libdbus passes it by.
  const std::string* host = entry.Value("host");
  const std::string* port = entry.Value("port");
  const std::string* family = entry.Value("family");
  const std::string* nonceFile = entry.Value("noncefile");
  if (port == nullptr || port->size() > kLongestPort ||
      (host != nullptr && host->size() > kLongestHost) || (nonceFile != nullptr) != withNonce ||
      (nonceFile != nullptr && nonceFile->size() > kLongestNonceFile)) {
    return Probe::kNoConnection;
  }
  int addressFamily = AF_UNSPEC;
  if (family != nullptr) {
    if (*family == "ipv4") {
      addressFamily = AF_INET;
    } else if (*family == "ipv6") {
      addressFamily = AF_INET6;
    } else {
      return Probe::kNoConnection;
    }
  }
  std::string nonce;
  if (withNonce) {
    std::optional<std::string> inFile = NonceIn(*nonceFile);
    if (!inFile || inFile->empty()) {
      return Probe::kNoConnection;
    }
    // libdbus would connect and send a nonce the daemon refuses.
    if (inFile->size() < kNonceSize) {
      return Probe::kSilent;
    }
    nonce = std::move(*inFile);
  }

  const AddressInfo addresses =
      LookUp(host != nullptr ? *host : "localhost", *port, addressFamily, deadline);
  // As libdbus: the first of the addresses that takes a connection.
  for (const addrinfo* address = addresses.get(); address != nullptr; address = address->ai_next) {
    const Descriptor client(socket(address->ai_family,
                                   address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                   address->ai_protocol));
    if (!client.IsOpen()) {
      continue;
    }
    if (connect(client.Get(), address->ai_addr, address->ai_addrlen) != 0) {
      if (errno != EINPROGRESS) {
        continue;
      }
      // libdbus would wait here for as long as the kernel keeps trying.
      if (!WaitFor(client.Get(), POLLOUT, deadline)) {
        return Probe::kSilent;
      }
      int error = 0;
      socklen_t size = sizeof error;
      if (getsockopt(client.Get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
        continue;
      }
    }
    return Greet(client.Get(), nonce, deadline);
  }
  return Probe::kNoConnection;
}

// unix:, tcp: and nonce-tcp: can be tried like any client would. autolaunch: and launchd: would
// start or ask for a daemon, unixexec: runs a program, systemd: is for daemons handed their
// sockets; none can be checked without doing what the probe is there to prevent.
Probe ProbeEntry(const AddressEntry& entry, const Deadline& deadline) {
  if (entry.transport == "unix") {
    return ProbeUnix(entry, deadline);
  }
  if (entry.transport == "tcp") {
    return ProbeTcp(entry, false, deadline);
  }
  if (entry.transport == "nonce-tcp") {
    return ProbeTcp(entry, true, deadline);
  }
  return Probe::kUntrusted;
}

// As libdbus goes through the list: an address it cannot connect to is passed over, and the
// first it connects to is the bus, which must answer within the one limit for the whole list.
Probe ProbeAddresses(std::string_view list) {
  const Deadline deadline{std::chrono::milliseconds(kBusWaitLimitMs)};
  const std::optional<std::vector<AddressEntry>> entries = ParsedAddresses(list);
  if (!entries) {
    return Probe::kUntrusted;
  }
  for (const AddressEntry& entry : *entries) {
    if (deadline.Passed()) {
      return Probe::kSilent;
    }
    const Probe probe = ProbeEntry(entry, deadline);
    if (probe != Probe::kNoConnection) {
      return probe;
    }
  }
  return Probe::kNoConnection;
}

}  // namespace

bool SessionBusAnnounced() {
  if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
    return true;
  }
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  struct stat info {};
  // As libdbus takes it: a socket of our own, not a link to one; else it would autolaunch.
  return !runtime.isEmpty() && lstat((runtime + "/bus").constData(), &info) == 0 &&
         S_ISSOCK(info.st_mode) && info.st_uid == getuid();
}

void UseOnlyALiveSessionBus() {
  if (SessionBusAnnounced()) {
    switch (ProbeAddresses(AnnouncedAddress())) {
      case Probe::kAnswers:
        return;
      case Probe::kUntrusted:
        std::fputs(
            "whichkontakt: the session bus's address cannot be checked; running on its own\n",
            stderr);
        break;
      case Probe::kNoConnection:
      case Probe::kSilent:
        std::fputs("whichkontakt: the session bus does not answer; running on its own\n", stderr);
        break;
    }
  }
  qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
}

}  // namespace platform::qt
