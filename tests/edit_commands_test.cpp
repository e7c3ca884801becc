// The framework's editing commands on a focused text widget, offscreen.
#include "platform/qt/edit_commands.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <memory>

#include "platform/menu_item.h"
#include "platform/qt/menu_translation.h"

namespace {

class EditCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto bar = std::make_shared<platform::MenuBar>();
    auto edit = std::make_shared<platform::MenuItem>();
    edit->Name("EditMenu");
    for (const char* name :
         {"EditUndo", "EditCut", "EditCopy", "EditPaste", "EditClear", "EditSelectAll"}) {
      auto item = std::make_shared<platform::MenuItem>();
      item->Name(name);
      item->Text(name);
      edit->Append(item);
    }
    bar->Append(edit);
    platform::qt::BuildMenus(*window_.menuBar(), *bar, [](const auto&) {});
    auto* central = new QWidget(&window_);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(line_ = new QLineEdit(QStringLiteral("hello world")));
    layout->addWidget(plain_ = new QPlainTextEdit(QStringLiteral("first line")));
    window_.setCentralWidget(central);
    window_.show();
    QApplication::setActiveWindow(&window_);
  }

  QAction* Action(const char* name) {
    return window_.findChild<QAction*>(QString::fromLatin1(name));
  }
  bool Enabled(const char* name) {
    platform::qt::UpdateEditCommands(*window_.menuBar());
    return Action(name)->isEnabled();
  }
  void Focus(QWidget* widget) {
    widget->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), widget);
  }

  int argc_ = 1;
  char name_[13] = "edit_command";
  char* argv_[2] = {name_, nullptr};
  QApplication application_{argc_, argv_};
  QMainWindow window_;
  QLineEdit* line_ = nullptr;
  QPlainTextEdit* plain_ = nullptr;
};

TEST_F(EditCommandsTest, DeleteRemovesTheSelectionOfEitherKindOfEditor) {
  Focus(line_);
  line_->setSelection(5, 6);
  ASSERT_TRUE(Enabled("EditClear"));
  Action("EditClear")->trigger();
  EXPECT_EQ(line_->text(), "hello");

  Focus(plain_);
  plain_->selectAll();
  ASSERT_TRUE(Enabled("EditClear"));
  Action("EditClear")->trigger();
  EXPECT_EQ(plain_->toPlainText(), "");
}

TEST_F(EditCommandsTest, CommandsFollowWhatTheFocusedEditorCanDo) {
  Focus(line_);
  line_->deselect();
  EXPECT_FALSE(Enabled("EditCut"));
  EXPECT_FALSE(Enabled("EditCopy"));
  EXPECT_FALSE(Enabled("EditUndo"));
  EXPECT_TRUE(Enabled("EditPaste"));
  EXPECT_TRUE(Enabled("EditSelectAll"));

  Action("EditSelectAll")->trigger();
  EXPECT_EQ(line_->selectedText(), "hello world");
  EXPECT_TRUE(Enabled("EditCut"));
  line_->setReadOnly(true);
  EXPECT_FALSE(Enabled("EditCut"));
  EXPECT_TRUE(Enabled("EditCopy"));
  EXPECT_FALSE(Enabled("EditPaste"));

  line_->clearFocus();
  QApplication::processEvents();
  EXPECT_FALSE(Enabled("EditSelectAll"));
}

}  // namespace
