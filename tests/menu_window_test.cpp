// Files dropped onto the program's window, offscreen: the drag and drop events as Qt delivers
// them, with the URLs a file manager or a browser offers.
#include "platform/qt/menu_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QList>
#include <QMimeData>
#include <QUrl>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;

class MenuWindowTest : public ::testing::Test {
 protected:
  struct Answer {
    bool entered;
    bool dropped;
  };
  // Drags the data onto the window and drops it there, then lets queued calls run.
  Answer DragAndDrop(const QMimeData& data) {
    const QPoint centre = window_.rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window_, &enter);
    QDropEvent drop(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window_, &drop);
    calledDuringDrop_ = !paths_.empty();
    QApplication::processEvents();
    return {enter.isAccepted(), drop.isAccepted()};
  }
  static QList<QUrl> Urls(std::initializer_list<const char*> encoded) {
    QList<QUrl> urls;
    for (const char* url : encoded) {
      urls.append(QUrl::fromEncoded(url));
    }
    return urls;
  }

  int argc_ = 1;
  char name_[12] = "menu_window";
  char* argv_[2] = {name_, nullptr};
  QApplication application_{argc_, argv_};
  std::vector<std::string> paths_;
  bool calledDuringDrop_ = false;
  platform::qt::MenuWindow window_{[this](const std::string& path) { paths_.push_back(path); },
                                   [] {}};
};

TEST_F(MenuWindowTest, DropPassesOnTheLocalFilesInOrderOnceTheDropIsOver) {
  QMimeData data;
  data.setUrls(Urls({"file:///tmp/a.nki", "http://example.com/d.nki", "file://otherhost/tmp/c.nki",
                     "file://localhost/tmp/b.nki"}));
  const Answer answer = DragAndDrop(data);
  EXPECT_TRUE(answer.entered);
  EXPECT_TRUE(answer.dropped);
  // The file manager must not wait for the answer to the drop.
  EXPECT_FALSE(calledDuringDrop_);
  EXPECT_THAT(paths_, ElementsAre("/tmp/a.nki", "/tmp/b.nki"));
}

TEST_F(MenuWindowTest, DataWithoutALocalFileIsRefused) {
  const struct {
    const char* label;
    QList<QUrl> urls;
    QString text;
  } rows[] = {
      {"other host and web", Urls({"file://otherhost/tmp/c.nki", "http://example.com/d.nki"}), {}},
      {"text only", {}, QStringLiteral("/tmp/a.nki")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    QMimeData data;
    if (!row.urls.isEmpty()) {
      data.setUrls(row.urls);
    }
    if (!row.text.isEmpty()) {
      data.setText(row.text);
    }
    const Answer answer = DragAndDrop(data);
    EXPECT_FALSE(answer.entered);
    EXPECT_FALSE(answer.dropped);
    EXPECT_TRUE(paths_.empty());
  }
}

// A file name is bytes: one that is not UTF-8 must reach the program as those same bytes,
// whether Qt hands over URLs or, as from a file manager, the raw list.
TEST_F(MenuWindowTest, DroppedNameKeepsBytesThatAreNotUtf8) {
  QMimeData urls;
  urls.setUrls(Urls({"file:///tmp/caf%E9.nki"}));
  QMimeData list;
  list.setData(QStringLiteral("text/uri-list"), "file:///tmp/caf%E9%20x.nki\r\n");
  EXPECT_TRUE(DragAndDrop(urls).dropped);
  EXPECT_TRUE(DragAndDrop(list).dropped);
  EXPECT_THAT(paths_, ElementsAre("/tmp/caf\xe9.nki", "/tmp/caf\xe9 x.nki"));
}

}  // namespace
