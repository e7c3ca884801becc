// The session bus's application interface, served on a private bus of the test's own: what a
// running program takes from a later start, what it refuses, and how names travel as URIs.
#include "platform/qt/application_service.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusError>
#include <QtDBus/QDBusMessage>
#include <QtDBus/QDBusPendingCall>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/display_identity.h"
#include "platform/qt/session_bus.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::qt::ApplicationService;
using platform::qt::FileUriOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const QString kInvalidArgs = QDBusError::errorString(QDBusError::InvalidArgs);
const QString kNotTaken = QString::fromLatin1(platform::qt::kNotTakenError);
const QString kPartlyOpened = QString::fromLatin1(platform::qt::kPartlyOpenedError);

class ApplicationServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bus_.start(QStringLiteral("dbus-daemon"),
               {QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (!bus_.waitForReadyRead(10000)) {
      GTEST_SKIP() << "no dbus-daemon to run a private bus";
    }
    address_ = QString::fromLatin1(bus_.readLine().trimmed());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toLatin1());
    ASSERT_EQ(service_.Start({}), ApplicationService::Outcome::kServing);
  }
  void TearDown() override {
    bus_.kill();
    bus_.waitForFinished();
  }

  // Calls the running program as another process would; its thread is held for holdMs first,
  // as a read from a stalled mount would hold it.
  QDBusMessage Call(const QString& method, const QVariantList& arguments, int holdMs = 0) {
    QDBusConnection client = QDBusConnection::connectToBus(address_, QStringLiteral("client"));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(platform::qt::kBusName), QString::fromLatin1(platform::qt::kObjectPath),
        QStringLiteral("org.freedesktop.Application"), method);
    call.setArguments(arguments);
    QDBusPendingCall pending = client.asyncCall(call, 5000);
    std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
    while (!pending.isFinished()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return pending.reply();
  }
  QDBusMessage Open(const QStringList& uris, const QVariantMap& platformData, int holdMs = 0) {
    return Call(QStringLiteral("Open"), {uris, platformData}, holdMs);
  }

  std::vector<std::string> opened_;
  int activations_ = 0;
  bool quitting_ = false;
  std::vector<QVariantMap> launches_;  // as each taken call passed it on

 private:
  int argc_ = 1;
  char name_[8] = "service";
  char* argv_[2] = {name_, nullptr};
  QCoreApplication application_{argc_, argv_};
  QProcess bus_;
  QString address_;

 protected:
  ApplicationService service_{
      [this](const std::vector<std::string>& paths, const QVariantMap& launch) {
        if (!quitting_) {
          opened_.insert(opened_.end(), paths.begin(), paths.end());
          launches_.push_back(launch);
        }
        return !quitting_;
      },
      [this](const QVariantMap& launch) {
        activations_ += quitting_ ? 0 : 1;
        launches_.push_back(launch);
        return !quitting_;
      }};
};

TEST_F(ApplicationServiceTest, OpenTakesAbsoluteLocalFilesAndNamesEveryOtherUri) {
  const struct {
    const char* label;
    QStringList uris;
    std::vector<std::string> opened;
    QStringList refused;  // empty: a plain reply
  } rows[] = {
      {"local files",
       {"file:///tmp/a.nki", "file://localhost/tmp/caf%E9.nki"},
       {"/tmp/a.nki", "/tmp/caf\xe9.nki"},
       {}},
      {"an unencoded space", {"file:///tmp/a b.nki"}, {}, {"file:///tmp/a b.nki"}},
      {"a NUL byte", {"file:///tmp/k.nki%00.txt"}, {}, {"file:///tmp/k.nki%00.txt"}},
      {"a relative URI", {"file:names/a%23b.nki"}, {}, {"file:names/a%23b.nki"}},
      {"good and bad",
       {"http://example.com/d.nki", "file:///tmp/b.nki", "file://elsewhere/c.nki"},
       {"/tmp/b.nki"},
       {"http://example.com/d.nki", "file://elsewhere/c.nki"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    opened_.clear();
    const QDBusMessage reply = Open(row.uris, {});
    EXPECT_EQ(opened_, row.opened);
    if (row.refused.isEmpty()) {
      EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
      continue;
    }
    // A later start that is told some were taken must not answer those again itself.
    EXPECT_EQ(reply.errorName(), row.opened.empty() ? kInvalidArgs : kPartlyOpened);
    for (const QString& uri : row.refused) {
      EXPECT_THAT(reply.errorMessage().toStdString(), HasSubstr(uri.toStdString()));
    }
  }
  // A call that answers nothing is never a success.
  EXPECT_EQ(Open({}, {}).errorName(), kInvalidArgs);
}

TEST_F(ApplicationServiceTest, NamesTravelAsUrisThatKeepEveryByte) {
  const std::vector<std::string> names = {"/tmp/caf\xe9 x.nki", "/tmp/a%b#c?.nki",
                                          "/tmp/\xc3\xa9t\xc3\xa9.nkm", "/tmp/-reverse.nki"};
  QStringList uris;
  for (const std::string& name : names) {
    uris << FileUriOf(name);
  }
  EXPECT_EQ(uris[0], "file:///tmp/caf%E9%20x.nki");
  EXPECT_EQ(Open(uris, {}).type(), QDBusMessage::ReplyMessage);
  EXPECT_EQ(opened_, names);
}

TEST_F(ApplicationServiceTest, RelativeNamesAreTakenFromTheLaterStartsFolder) {
  testing_support::TempDir folder;
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(folder.Path())));
  const QString uri = FileUriOf("k.nki");
  QDir::setCurrent(previous);
  Open({uri}, {});
  EXPECT_THAT(opened_, ElementsAre(folder.Path() + "/k.nki"));
}

// A later start waits half a second for the reply, then runs alone: a call served after that
// must not be taken too, or the document is answered twice. Its platform data is made as the
// call is sent.
TEST_F(ApplicationServiceTest, ALaterStartsCallIsTakenOnlyWhileItStillWaits) {
  const struct {
    const char* label;
    int holdMs;
    QVariantMap changes;  // to the later start's own platform data
    bool taken;
  } rows[] = {
      {"served at once", 0, {}, true},
      {"served just past the quarter second it may take", 300, {}, false},
      {"served after the later start gave up", platform::qt::kBusWaitLimitMs + 100, {}, false},
      {"from another display", 0, {{"x-whichkontakt-display", "elsewhere :9"}}, false},
  };
  const auto sent = [](const QVariantMap& changes) {
    QVariantMap data = platform::qt::LaterStartPlatformData();
    data.insert(changes);
    return data;
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    opened_.clear();
    activations_ = 0;
    const QDBusMessage opened = Open({"file:///tmp/a.nki"}, sent(row.changes), row.holdMs);
    const QDBusMessage activated =
        Call(QStringLiteral("Activate"), {sent(row.changes)}, row.holdMs);
    if (row.taken) {
      EXPECT_EQ(opened.type(), QDBusMessage::ReplyMessage);
      EXPECT_EQ(activated.type(), QDBusMessage::ReplyMessage);
      EXPECT_THAT(opened_, ElementsAre("/tmp/a.nki"));
      EXPECT_EQ(activations_, 1);
    } else {
      EXPECT_EQ(opened.errorName(), kNotTaken);
      EXPECT_EQ(activated.errorName(), kNotTaken);
      EXPECT_THAT(opened_, IsEmpty());
      EXPECT_EQ(activations_, 0);
    }
  }
}

// Any program of the user may call: what it sends is used only in the form a launcher gives it,
// and whatever else it sends, of any size or type, neither ends the program nor loses the call.
TEST_F(ApplicationServiceTest, PlatformDataIsUsedOnlyWhereWellFormed) {
  const QString megabyte(1 << 20, QLatin1Char('x'));
  const QString longest(256, QLatin1Char('x'));
  const struct {
    const char* label;
    QVariantMap platformData;
    QString startupId;  // as passed on; empty: none
  } rows[] = {
      {"a launcher's id",
       {{"desktop-startup-id", "launcher-1-host_TIME42"}},
       "launcher-1-host_TIME42"},
      {"the longest id", {{"desktop-startup-id", longest}}, longest},
      {"an id one too long", {{"desktop-startup-id", longest + "x"}}, ""},
      {"an id of a megabyte", {{"desktop-startup-id", megabyte}}, ""},
      {"an id with a control character", {{"desktop-startup-id", "a\nb"}}, ""},
      {"an id with DEL",
       {{"desktop-startup-id",
         "a\x7f"
         "b"}},
       ""},
      {"an id that is not ASCII", {{"desktop-startup-id", QStringLiteral("caf\u00e9")}}, ""},
      {"an id that is a number", {{"desktop-startup-id", 42}}, ""},
      {"an id that is bytes", {{"desktop-startup-id", QByteArray("id")}}, ""},
      // Not a later start's own keys, so they do not make it one from elsewhere or too late.
      {"a display that is a number", {{"x-whichkontakt-display", 9}}, ""},
      {"a send time that is text", {{"x-whichkontakt-sent-at-ms", "0"}}, ""},
      {"a megabyte under another key", {{"x-other", megabyte}}, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    opened_.clear();
    launches_.clear();
    EXPECT_EQ(Open({"file:///tmp/a.nki"}, row.platformData).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(Call(QStringLiteral("Activate"), {row.platformData}).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_THAT(opened_, ElementsAre("/tmp/a.nki"));
    ASSERT_EQ(launches_.size(), 2u);
    for (const QVariantMap& launch : launches_) {
      const QString id = platform::qt::StartupIdOf(launch);
      EXPECT_TRUE(id == row.startupId) << "passed on: " << id.left(60).toStdString();
      EXPECT_LE(launch.size(), 1);
    }
  }
}

TEST_F(ApplicationServiceTest, AQuittingProgramTakesNothing) {
  quitting_ = true;
  EXPECT_EQ(Open({"file:///tmp/a.nki"}, platform::qt::LaterStartPlatformData()).errorName(),
            kNotTaken);
  EXPECT_EQ(Call(QStringLiteral("Activate"), {QVariantMap()}).errorName(), kNotTaken);
  EXPECT_EQ(
      Call(QStringLiteral("ActivateAction"), {QStringLiteral("x"), QVariantList(), QVariantMap()})
          .errorName(),
      QDBusError::errorString(QDBusError::NotSupported));
}

// Two programs are on one display when their environments name it alike, however spelled: an X
// display with or without its screen or "unix", a Wayland socket by its name in the runtime
// folder or by its path.
TEST(ThisDisplayTest, OneDisplayHoweverItsNameIsSpelled) {
  const struct {
    const char* variable;
    const char* one;
    const char* other;
    bool same;
  } rows[] = {
      {"DISPLAY", ":1", ":1", true},
      {"DISPLAY", ":1", ":1.0", true},
      {"DISPLAY", ":1", "unix:1", true},
      {"DISPLAY", "unix:1.2", ":1", true},
      {"DISPLAY", "host:1", "host:1.0", true},
      {"DISPLAY", ":1", ":2", false},
      {"DISPLAY", ":1", "host:1", false},
      {"DISPLAY", "localhost:10", ":10", false},
      {"WAYLAND_DISPLAY", "wayland-0", "/run/user/1000/wayland-0", true},
      {"WAYLAND_DISPLAY", "wayland-0", "wayland-1", false},
      {"WAYLAND_DISPLAY", "wayland-0", "/run/user/1001/wayland-0", false},
  };
  qputenv("XDG_RUNTIME_DIR", "/run/user/1000");
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.variable) + " " + row.one + " and " + row.other);
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DISPLAY", ":0");
    qputenv(row.variable, row.one);
    const QString one = platform::qt::ThisDisplay();
    qputenv(row.variable, row.other);
    EXPECT_EQ(one == platform::qt::ThisDisplay(), row.same);
  }
}

// A start whose request for the name outlasts its wait runs alone; were the request granted
// later and kept, every later start would hand over to a program that serves no one.
TEST(NameRequestTest, AStartThatGaveUpWaitingForTheNameNeverKeepsIt) {
  QProcess daemon;
  daemon.start(QStringLiteral("dbus-daemon"),
               {QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
  if (!daemon.waitForReadyRead(10000)) {
    GTEST_SKIP() << "no dbus-daemon to run a private bus";
  }
  const QByteArray address = daemon.readLine().trimmed();
  qputenv("DBUS_SESSION_BUS_ADDRESS", address);
  int argc = 1;
  char name[] = "slow";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
  ApplicationService service([](const auto&, const auto&) { return true; },
                             [](const auto&) { return true; });
  // The daemon stops answering just as the name is asked for, and answers again later.
  kill(static_cast<pid_t>(daemon.processId()), SIGSTOP);
  std::thread resume([&daemon] {
    std::this_thread::sleep_for(std::chrono::milliseconds(platform::qt::kBusWaitLimitMs + 200));
    kill(static_cast<pid_t>(daemon.processId()), SIGCONT);
  });
  EXPECT_EQ(service.Start({}), ApplicationService::Outcome::kAlone);
  resume.join();
  QDBusConnection observer =
      QDBusConnection::connectToBus(QString::fromLatin1(address), QStringLiteral("observer"));
  const QDBusMessage reply = observer.call(
      QDBusMessage::createMethodCall(
          QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
          QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"))
      << QString::fromLatin1(platform::qt::kBusName));
  ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
  EXPECT_FALSE(reply.arguments().value(0).toBool());
  daemon.kill();
  daemon.waitForFinished();
}

}  // namespace
