// The session bus's application interface without a bus: how names travel as URIs and back, and
// that a start with no bus runs alone.
#include "platform/qt/application_service.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

using platform::qt::ApplicationService;
using platform::qt::FileUriOf;
using ::testing::ElementsAre;

class ApplicationServiceTest : public ::testing::Test {
 protected:
  ApplicationService service_{[this](const std::vector<std::string>& paths) { opened_ = paths; },
                              [this] { ++activations_; }};
  std::vector<std::string> opened_;
  int activations_ = 0;

 private:
  int argc_ = 1;
  char name_[8] = "service";
  char* argv_[2] = {name_, nullptr};
  QCoreApplication application_{argc_, argv_};
};

TEST_F(ApplicationServiceTest, NamesTravelAsUrisThatKeepEveryByte) {
  const std::vector<std::string> names = {"/tmp/caf\xe9 x.nki", "/tmp/a%b#c?.nki",
                                          "/tmp/\xc3\xa9t\xc3\xa9.nkm", "/tmp/-reverse.nki"};
  QStringList uris;
  for (const std::string& name : names) {
    uris << FileUriOf(name);
  }
  EXPECT_EQ(uris[0], "file:///tmp/caf%E9%20x.nki");
  service_.Open(uris, {});
  EXPECT_EQ(opened_, names);
}

TEST_F(ApplicationServiceTest, RelativeNamesAreTakenFromTheCurrentFolder) {
  testing_support::TempDir folder;
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(folder.Path())));
  const QString uri = FileUriOf("k.nki");
  QDir::setCurrent(previous);
  service_.Open({uri}, {});
  EXPECT_THAT(opened_, ElementsAre(folder.Path() + "/k.nki"));
}

TEST_F(ApplicationServiceTest, OnlyLocalFilesAreOpened) {
  service_.Open({"file:///tmp/a.nki", "file://localhost/tmp/b.nki", "file://elsewhere/tmp/c.nki",
                 "http://example.com/d.nki", "not a uri at all %zz"},
                {});
  EXPECT_THAT(opened_, ElementsAre("/tmp/a.nki", "/tmp/b.nki"));
}

TEST_F(ApplicationServiceTest, BareStartIsAnActivation) {
  service_.Activate({});
  EXPECT_EQ(activations_, 1);
  EXPECT_TRUE(opened_.empty());
}

TEST_F(ApplicationServiceTest, WithoutABusTheProgramRunsAlone) {
  testing_support::TempDir runtime;
  qunsetenv("DBUS_SESSION_BUS_ADDRESS");
  qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Path()));
  EXPECT_EQ(service_.Start({"/tmp/a.nki"}), ApplicationService::Outcome::kAlone);
  EXPECT_EQ(service_.Start({}), ApplicationService::Outcome::kAlone);
  EXPECT_TRUE(opened_.empty());
  EXPECT_EQ(activations_, 0);
}

}  // namespace
