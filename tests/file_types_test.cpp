#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/file_type.h"
#include "app/file_types1.h"
#include "platform/file_type_registry.h"
#include "platform/runtime_exception.h"
#include "tests/support/recording_desktop.h"

namespace {

using app::FileType;
using ::testing::ElementsAre;
namespace FileTypes1 = app::FileTypes1;

std::shared_ptr<FileType> MakeType(const std::string& name) {
  auto type = std::make_shared<FileType>();
  type->Name(name);
  type->Extensions("x");
  type->MacType("tX");
  type->MacCreator("????");
  return type;
}

void ReleaseFileTypes() {
  FileTypes1::pNIKontaktInstrument_Exit();
  FileTypes1::pNIKontaktMulti_Exit();
  FileTypes1::pNIKontaktBank_Exit();
}

class FileTypesTest : public ::testing::Test {
 protected:
  void TearDown() override { ReleaseFileTypes(); }

  testing_support::RecordingDesktop desktop;
  platform::ScopedDesktop scoped{desktop};
};

TEST_F(FileTypesTest, StartUpRegistersTheThreeTypesAndReleaseWithdrawsThemInOrder) {
  EXPECT_EQ(FileTypes1::NIKontaktInstrument(), nullptr);
  FileTypes1::Initialize();
  EXPECT_THAT(desktop.calls, ElementsAre("register NI Kontakt Instrument|????|tNKI|nki",
                                         "register NI Kontakt Multi|????|tNKM|nkm",
                                         "register NI Kontakt Bank|????|tNKB|nkb"));
  desktop.calls.clear();

  const std::string filter = FileTypes1::NIKontaktInstrument() + FileTypes1::NIKontaktMulti() +
                             FileTypes1::NIKontaktBank();
  EXPECT_EQ(filter, "NI Kontakt Instrument;NI Kontakt Multi;NI Kontakt Bank");
  EXPECT_TRUE(desktop.calls.empty());
  const auto offered = platform::RegisteredFileTypes("Other;NI Kontakt Bank;;" + filter);
  ASSERT_EQ(offered.size(), 4u);
  EXPECT_EQ(offered[0].extensions, "nkb");
  EXPECT_EQ(offered[1].name, "NI Kontakt Instrument");

  ReleaseFileTypes();
  EXPECT_THAT(desktop.calls,
              ElementsAre("deregister NI Kontakt Instrument", "deregister NI Kontakt Multi",
                          "deregister NI Kontakt Bank"));
  EXPECT_EQ(FileTypes1::NIKontaktBank(), nullptr);
  EXPECT_TRUE(platform::RegisteredFileTypes(filter).empty());
}

// The second call of each setter finds the type withdrawn and makes no call.
TEST_F(FileTypesTest, EverySetterWithdrawsARegisteredTypeUnderTheNameItWasRegisteredWith) {
  for (void (*set)(FileType&) :
       {+[](FileType& t) { t.Name("New"); }, +[](FileType& t) { t.Extensions("y"); },
        +[](FileType& t) { t.MacType("tY"); }, +[](FileType& t) { t.MacCreator("abcd"); }}) {
    desktop.calls.clear();
    auto type = MakeType("Old");
    EXPECT_EQ(type->Operator_Convert(), "Old");
    EXPECT_EQ(type->Operator_Convert(), "Old");
    set(*type);
    set(*type);
    EXPECT_THAT(desktop.calls, ElementsAre("register Old|????|tX|x", "deregister Old"));
  }

  desktop.calls.clear();
  auto type = MakeType("Old");
  type->Operator_Convert();
  type->Name("New");
  EXPECT_EQ(type + "", "New;");
  type.reset();
  EXPECT_THAT(desktop.calls, ElementsAre("register Old|????|tX|x", "deregister Old",
                                         "register New|????|tX|x", "deregister New"));
}

TEST_F(FileTypesTest, JoinsPutOneSemicolonBetweenTheirOperands) {
  const auto a = MakeType("A");
  const auto b = MakeType("B");
  EXPECT_EQ(a + b, "A;B");
  EXPECT_EQ("x;" + b, "x;B");
  EXPECT_EQ(a + ";x", "A;x");
  EXPECT_EQ("" + b, ";B");
  EXPECT_EQ(MakeType("") + b, ";B");
  EXPECT_EQ(b->Operator_AddRight(a), "A;B");
}

TEST_F(FileTypesTest, JoinsRegisterTheirFileTypeOperandsFirstLeftBeforeRight) {
  const auto a = MakeType("A");
  const auto b = MakeType("B");
  const auto c = MakeType("C");
  const auto d = MakeType("D");
  const auto e = MakeType("E");
  (void)(a + b);
  (void)("x" + c);
  (void)d->Operator_AddRight(e);
  EXPECT_THAT(desktop.calls,
              ElementsAre("register A|????|tX|x", "register B|????|tX|x", "register C|????|tX|x",
                          "register D|????|tX|x", "register E|????|tX|x"));
}

TEST_F(FileTypesTest, ANilOperandRaisesAfterTheLeftOperandIsRegistered) {
  const auto a = MakeType("A");
  const std::shared_ptr<FileType> nil;
  EXPECT_THROW((void)(a + nil), platform::NilObjectException);
  EXPECT_THAT(desktop.calls, ElementsAre("register A|????|tX|x"));
  EXPECT_THROW((void)(nil + a), platform::NilObjectException);
  EXPECT_THROW((void)("x" + nil), platform::NilObjectException);
}

// Refuses registrations while refusing is set, and every withdrawal.
class RefusingDesktop : public testing_support::RecordingDesktop {
 public:
  bool refusing = true;
  void RegisterFileType(const platform::FileTypeRecord& type) override {
    if (refusing) {
      throw platform::RuntimeException("refused");
    }
    RecordingDesktop::RegisterFileType(type);
  }
  void DeregisterFileType(const std::string&) override {
    throw platform::RuntimeException("refused");
  }
};

TEST(FileTypeFailureTest, ARefusedRegistrationIsTriedAgainAndARefusedWithdrawalEndsNothing) {
  RefusingDesktop refusing;
  platform::ScopedDesktop scoped{refusing};
  auto type = MakeType("A");
  EXPECT_THROW(type->Operator_Convert(), platform::RuntimeException);
  refusing.refusing = false;
  type->Operator_Convert();
  EXPECT_THAT(refusing.calls, ElementsAre("register A|????|tX|x"));
  type.reset();  // the withdrawal raises inside the destructor; the process must go on
}

}  // namespace
