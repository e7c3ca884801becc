// The session bus's application interface, served on a private bus of the test's own: what a
// running program takes from a later start, what it refuses, and how names travel as URIs.
#include "platform/qt/application_service.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusError>
#include <QtDBus/QDBusMessage>
#include <QtDBus/QDBusPendingCall>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

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

 private:
  int argc_ = 1;
  char name_[8] = "service";
  char* argv_[2] = {name_, nullptr};
  QCoreApplication application_{argc_, argv_};
  QProcess bus_;
  QString address_;

 protected:
  ApplicationService service_{[this](const std::vector<std::string>& paths, const QVariantMap&) {
                                if (!quitting_) {
                                  opened_.insert(opened_.end(), paths.begin(), paths.end());
                                }
                                return !quitting_;
                              },
                              [this](const QVariantMap&) {
                                activations_ += quitting_ ? 0 : 1;
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
// must not be taken too, or the document is answered twice.
TEST_F(ApplicationServiceTest, ALaterStartsCallIsTakenOnlyWhileItStillWaits) {
  const struct {
    const char* label;
    int holdMs;
    QVariantMap platformData;
    bool taken;
  } rows[] = {
      {"served at once", 0, platform::qt::LaterStartPlatformData(), true},
      {"served after the later start gave up", platform::qt::kBusWaitLimitMs + 100,
       platform::qt::LaterStartPlatformData(), false},
      {"from another display", 0,
       [] {
         QVariantMap data = platform::qt::LaterStartPlatformData();
         data.insert(QStringLiteral("x-whichkontakt-display"), QStringLiteral("elsewhere :9"));
         return data;
       }(),
       false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    opened_.clear();
    activations_ = 0;
    const QDBusMessage opened = Open({"file:///tmp/a.nki"}, row.platformData, row.holdMs);
    const QDBusMessage activated = Call(QStringLiteral("Activate"), {row.platformData}, row.holdMs);
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

// A start where no bus is announced, or where the announced one has stopped answering, runs
// alone: nothing in it may start a bus or wait on it for long.
TEST(SessionBusTest, WithoutALiveBusTheProgramRunsAlone) {
  testing_support::TempDir runtime;
  // A socket that takes connections but never reads them: a bus daemon that has stopped.
  const std::string socketPath = runtime.Path() + "/bus";
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 8), 0);

  const struct {
    const char* label;
    const char* address;  // nullptr: none announced
    const char* runtimeFolder;
  } rows[] = {
      {"nothing announced", nullptr, "/nonexistent"},
      {"a stopped bus announced", "unix:path=", nullptr},
      {"a stopped bus in the runtime folder", nullptr, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    if (row.address == nullptr) {
      qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    } else {
      qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray(row.address) + socketPath.c_str());
    }
    qputenv("XDG_RUNTIME_DIR",
            row.runtimeFolder != nullptr ? row.runtimeFolder : runtime.Path().c_str());
    platform::qt::UseOnlyALiveSessionBus();
    EXPECT_EQ(qgetenv("DBUS_SESSION_BUS_ADDRESS"), "disabled:");
  }

  int argc = 1;
  char name[] = "alone";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  ApplicationService service([](const auto&, const auto&) { return true; },
                             [](const auto&) { return true; });
  EXPECT_EQ(service.Start({"/tmp/a.nki"}), ApplicationService::Outcome::kAlone);
  EXPECT_EQ(service.Start({}), ApplicationService::Outcome::kAlone);
  close(listener);
}

}  // namespace
