// The program on the real Qt desktop, offscreen: a driver answers each modal window as a user
// would, and records what it saw.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTimer>
#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusMessage>
#include <QtDBus/QDBusPendingCall>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/startup.h"
#include "platform/qt/application_service.h"
#include "platform/qt/local_path.h"
#include "platform/qt/menu_translation.h"
#include "platform/qt/message_box.h"
#include "platform/qt/qt_desktop.h"
#include "tests/support/kontakt_files.h"
#include "tests/support/temp_dir.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct SeenBox {
  QString title;
  QString text;
  QString details;
};

struct SeenDialog {
  QString title;
  QString directory;
  QStringList nameFilters;
};

struct SeenMenu {
  QString text;
  std::vector<std::pair<QString, QString>> items;  // caption ("-" for a separator), shortcut
  std::vector<bool> enabled;
};

enum class Ending { kQuitItem, kCloseWindow };

// Dismisses every message box and cancels every file dialog; once `quitAfter` windows have
// been answered, chooses Quit from the File menu or closes the program's window. holdFirstBox,
// when given, is asked at each step while the first box is up, which stays until it says no.
class UserDriver : public QObject {
 public:
  UserDriver(int quitAfter, Ending ending, std::function<bool()> holdFirstBox)
      : quitAfter_(quitAfter), ending_(ending), holdFirstBox_(std::move(holdFirstBox)) {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, [this] { Step(); });
    timer_.start();
  }

  std::vector<SeenBox> boxes;
  std::vector<SeenDialog> dialogs;
  std::vector<SeenMenu> menus;
  QString windowTitle;
  Qt::LayoutDirection layoutDirection = Qt::LeftToRight;

 private:
  void Step() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<platform::qt::MessageBox*>(modal)) {
      if (boxes.empty() && holdFirstBox_ && holdFirstBox_()) {
        return;
      }
      boxes.push_back({box->windowTitle(), box->text(), box->details()});
      box->accept();
      ++answered_;
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      dialogs.push_back(
          {dialog->windowTitle(), dialog->directory().absolutePath(), dialog->nameFilters()});
      dialog->reject();
      ++answered_;
    } else if (modal == nullptr && answered_ >= quitAfter_) {
      timer_.stop();
      ChooseQuit();
    }
  }

  void ChooseQuit() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* window = qobject_cast<QMainWindow*>(widget)) {
        RecordMenus(*window->menuBar());
        windowTitle = window->windowTitle();
        layoutDirection = QApplication::layoutDirection();
        if (ending_ == Ending::kCloseWindow) {
          window->close();
          return;
        }
        if (auto* quit = window->findChild<QAction*>(QStringLiteral("FileQuit"))) {
          quit->trigger();
          return;
        }
      }
    }
    ADD_FAILURE() << "no Quit item found";
    QApplication::quit();
  }

  void RecordMenus(QMenuBar& bar) {
    for (QAction* top : bar.actions()) {
      SeenMenu menu{top->text(), {}, {}};
      for (QAction* item : top->menu()->actions()) {
        menu.items.emplace_back(item->isSeparator() ? QStringLiteral("-") : item->text(),
                                item->shortcut().toString());
        menu.enabled.push_back(item->isEnabled());
      }
      menus.push_back(menu);
    }
  }

  QTimer timer_;
  int quitAfter_;
  Ending ending_;
  std::function<bool()> holdFirstBox_;
  int answered_ = 0;
};

class QtDesktopTest : public ::testing::Test {
 protected:
  // Runs the whole program with these arguments while a driver answers it.
  int32_t RunProgram(std::vector<std::string> arguments, int quitAfter,
                     Ending ending = Ending::kQuitItem, std::function<bool()> holdFirstBox = {}) {
    arguments.insert(arguments.begin(), "whichkontakt");
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
      argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    int argc = static_cast<int>(arguments.size());
    platform::qt::QtDesktop desktop(argc, argv.data());
    const platform::ScopedDesktop onDesktop(desktop);
    UserDriver user(quitAfter, ending, std::move(holdFirstBox));
    const int32_t status = app::ProgramMain();
    seen_ = {user.boxes, user.dialogs, user.menus, user.windowTitle, user.layoutDirection};
    return status;
  }

  struct Seen {
    std::vector<SeenBox> boxes;
    std::vector<SeenDialog> dialogs;
    std::vector<SeenMenu> menus;
    QString windowTitle;
    Qt::LayoutDirection layoutDirection;
  } seen_;
  testing_support::TempDir folder_;
};

TEST_F(QtDesktopTest, AnswersTheDocumentAsGivenAndQuitsWithStatusZero) {
  const std::string name = "<b>Tom & Jerry<br>.nki";
  const std::string path =
      folder_.Write(name, testing_support::HeadTaggedFile({4, 2, 3, 0}, "Kon4"))->Path();
  EXPECT_EQ(RunProgram({path}, 1), 0);
  ASSERT_EQ(seen_.boxes.size(), 1u);
  EXPECT_EQ(seen_.boxes[0].text, QString::fromStdString(name + " is Kontakt Version 4.2.3.0"));
  EXPECT_EQ(seen_.boxes[0].title, "whichkontakt");
  EXPECT_TRUE(seen_.dialogs.empty());
}

// Qt's own options are documents like any other argument: none of them reaches Qt.
TEST_F(QtDesktopTest, EveryArgumentIsADocumentWhateverItLooksLike) {
  const std::string path =
      folder_.Write("k.nki", testing_support::HeadTaggedFile({4, 2, 3, 0}, "Kon4"))->Path();
  const std::vector<std::vector<std::string>> rows = {
      {"-qwindowtitle", path}, {"-platform", "offscreen", path}, {"--", path},
      {"-reverse", path},      {"-style=windows", path},
  };
  for (const std::vector<std::string>& arguments : rows) {
    SCOPED_TRACE(arguments.front());
    EXPECT_EQ(RunProgram(arguments, 1), 0);
    ASSERT_EQ(seen_.boxes.size(), 1u);
    EXPECT_EQ(seen_.boxes[0].text, "k.nki is Kontakt Version 4.2.3.0");
    EXPECT_TRUE(seen_.dialogs.empty());
    EXPECT_EQ(seen_.windowTitle, "whichkontakt");
    EXPECT_EQ(seen_.layoutDirection, Qt::LeftToRight);
  }
}

TEST_F(QtDesktopTest, FileNamedLikeAnOptionIsAnsweredByItsName) {
  folder_.Write("-reverse.nki", testing_support::HeadTaggedFile({5, 0, 1, 2}, "Kon4"));
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(folder_.Path())));
  const int32_t status = RunProgram({"-reverse.nki"}, 1);
  QDir::setCurrent(previous);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(seen_.boxes.size(), 1u);
  EXPECT_EQ(seen_.boxes[0].text, "-reverse.nki is Kontakt Version 5.0.1.2");
  EXPECT_EQ(seen_.layoutDirection, Qt::LeftToRight);
}

TEST_F(QtDesktopTest, NameThatIsNotUtf8StaysRecognisableAndClosingTheWindowQuits) {
  const std::string path =
      folder_.Write("caf\xe9.nki", testing_support::HeadTaggedFile({6, 0, 0, 1}, "Kon4"))->Path();
  EXPECT_EQ(RunProgram({path}, 1, Ending::kCloseWindow), 0);
  ASSERT_EQ(seen_.boxes.size(), 1u);
  EXPECT_EQ(seen_.boxes[0].text, QStringLiteral("caf\uFFFD.nki is Kontakt Version 6.0.0.1"));
}

TEST_F(QtDesktopTest, InstallsTheMenusWithCaptionsShortcutsAndSeparators) {
  const std::string path =
      folder_.Write("a.nki", testing_support::HeadTaggedFile({4, 2, 3, 0}, "Kon4"))->Path();
  RunProgram({path}, 1);
  ASSERT_EQ(seen_.menus.size(), 2u);
  EXPECT_EQ(seen_.menus[0].text, "&File");
  EXPECT_THAT(seen_.menus[0].items, ElementsAre(std::pair<QString, QString>("&Quit", "Ctrl+Q")));
  EXPECT_EQ(seen_.menus[1].text, "&Edit");
  using Item = std::pair<QString, QString>;
  EXPECT_THAT(seen_.menus[1].items,
              ElementsAre(Item("&Undo", "Ctrl+Z"), Item("-", ""), Item("Cu&t", "Ctrl+X"),
                          Item("&Copy", "Ctrl+C"), Item("&Paste", "Ctrl+V"), Item("&Delete", ""),
                          Item("-", ""), Item("Select &All", "Ctrl+A")));
  // Nothing focused can carry out an editing command: the items wait disabled.
  EXPECT_THAT(seen_.menus[1].enabled,
              ElementsAre(false, true, false, false, false, false, true, false));
}

TEST_F(QtDesktopTest, ExceptionFromAnEventIsReportedAndTheLoopGoesOn) {
  const std::string pipe = folder_.Item("pipe.nki")->Path();
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string path =
      folder_.Write("b.nkm", testing_support::HeadTaggedFile({0, 3, 2, 4}, "4noK"))->Path();
  EXPECT_EQ(RunProgram({pipe, path}, 2), 0);
  ASSERT_EQ(seen_.boxes.size(), 2u);
  EXPECT_EQ(seen_.boxes[0].title, "whichkontakt");
  EXPECT_EQ(seen_.boxes[0].text, "Could not read \u201cpipe.nki\u201d: it is not a regular file.");
  EXPECT_EQ(seen_.boxes[0].details,
            "IOException (error 22): cannot open \"pipe.nki\": not a regular file");
  EXPECT_EQ(seen_.boxes[1].text, "b.nkm is Kontakt Version 4.2.3.0");
}

TEST_F(QtDesktopTest, BareStartOffersTheKontaktTypesWhateverTheirLetterCase) {
  EXPECT_EQ(RunProgram({}, 1), 0);
  ASSERT_EQ(seen_.dialogs.size(), 1u);
  EXPECT_EQ(seen_.dialogs[0].title, "Select a Kontakt file");
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  EXPECT_EQ(seen_.dialogs[0].directory, QDir(documents).exists() ? documents : QDir::homePath());
  EXPECT_THAT(seen_.dialogs[0].nameFilters,
              ElementsAre("All supported files (*.[nN][kK][iI] *.[nN][kK][mM] *.[nN][kK][bB])",
                          "NI Kontakt Instrument (*.[nN][kK][iI])",
                          "NI Kontakt Multi (*.[nN][kK][mM])", "NI Kontakt Bank (*.[nN][kK][bB])"));
  EXPECT_TRUE(seen_.boxes.empty());
}

// A session bus of the test's own, for the program to serve.
class PrivateBus {
 public:
  PrivateBus() {
    FILE* daemon = popen(
        "dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1 2>/dev/null",
        "r");
    if (daemon == nullptr) {
      return;
    }
    char address[512] = "";
    char pid[32] = "";
    if (std::fgets(address, sizeof address, daemon) != nullptr &&
        std::fgets(pid, sizeof pid, daemon) != nullptr) {
      address_ = QByteArray(address).trimmed();
      pid_ = static_cast<pid_t>(std::atoi(pid));
    }
    pclose(daemon);
  }
  ~PrivateBus() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
    }
  }
  const QByteArray& Address() const { return address_; }

 private:
  QByteArray address_;
  pid_t pid_ = 0;
};

// Quit chosen while a call runs (the window closed while a detection serves the loop): a later
// start's files that come then are refused, so that it answers them itself, never taken and then
// dropped as the loop ends.
TEST_F(QtDesktopTest, FilesHandedOverAfterQuitDuringACallAreRefused) {
  const PrivateBus bus;
  if (bus.Address().isEmpty()) {
    GTEST_SKIP() << "no dbus-daemon to run a private bus";
  }
  qputenv("DBUS_SESSION_BUS_ADDRESS", bus.Address());
  const std::string own =
      folder_.Write("own.nki", testing_support::HeadTaggedFile({4, 2, 3, 0}, "Kon4"))->Path();
  const std::string later =
      folder_.Write("later.nkm", testing_support::HeadTaggedFile({0, 1, 8, 5}, "5noK"))->Path();
  std::optional<QDBusPendingCall> handOver;
  const auto quitThenHandOver = [&] {
    if (!handOver) {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<QMainWindow*>(widget)) {
          window->close();
        }
      }
      QDBusMessage open = QDBusMessage::createMethodCall(
          QString::fromLatin1(platform::qt::kBusName),
          QString::fromLatin1(platform::qt::kObjectPath),
          QStringLiteral("org.freedesktop.Application"), QStringLiteral("Open"));
      open << QStringList{platform::qt::FileUriOf(later)} << QVariantMap();
      handOver = QDBusConnection::connectToBus(QString::fromLatin1(bus.Address()),
                                               QStringLiteral("later start"))
                     .asyncCall(open, 5000);
    }
    return !handOver->isFinished();
  };
  EXPECT_EQ(RunProgram({own}, 1, Ending::kQuitItem, quitThenHandOver), 0);
  ASSERT_TRUE(handOver.has_value());
  EXPECT_EQ(handOver->reply().errorName().toStdString(), platform::qt::kNotTakenError);
  ASSERT_EQ(seen_.boxes.size(), 1u);
  EXPECT_EQ(seen_.boxes[0].text, "own.nki is Kontakt Version 4.2.3.0");
}

TEST(ShortcutTextTest, CommandKeyBecomesControl) {
  EXPECT_EQ(platform::qt::ShortcutFromText("Cmd+Q"), QKeySequence(Qt::CTRL | Qt::Key_Q));
  EXPECT_EQ(platform::qt::ShortcutFromText(""), QKeySequence());
}

}  // namespace

namespace {

// What a drop, the open dialog or a later start's URI may name: absolute local files, every byte
// of their names kept, and nothing that would lead a read to another file.
TEST(LocalPathTest, OnlyAbsoluteLocalFilesAreOpenedWithEveryByteKept) {
  const struct {
    const char* url;
    std::optional<std::string> path;
  } rows[] = {
      {"file:///tmp/a.nki", "/tmp/a.nki"},
      {"file://localhost/tmp/a.nki", "/tmp/a.nki"},
      {"file://LocalHost/tmp/a.nki", "/tmp/a.nki"},
      {"file:///tmp/caf%E9%20x.nki", "/tmp/caf\xe9 x.nki"},
      {"file:///tmp/caf%C3%A9.nki", "/tmp/caf\xc3\xa9.nki"},
      {"file:///tmp/a%23b%3F.nki", "/tmp/a#b?.nki"},
      {"file://otherhost/tmp/a.nki", std::nullopt},
      {"http://localhost/tmp/a.nki", std::nullopt},
      {"file:///tmp/k.nki%00.txt", std::nullopt},
      {"file:names/a%23b.nki", std::nullopt},
      {"file:///tmp/a b.nki", std::nullopt},
      {"file:///tmp/a.nki?x=1", std::nullopt},
      {"file:///tmp/a.nki#part", std::nullopt},
      {"file:", std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.url);
    EXPECT_EQ(platform::qt::LocalFilePath(QUrl::fromEncoded(row.url, QUrl::StrictMode)), row.path);
  }
}

}  // namespace
