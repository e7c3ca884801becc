// The framework's editing commands on a focused text widget, offscreen.
#include "platform/qt/edit_commands.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>
#include <memory>
#include <string>
#include <vector>

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

  // The two kinds of editor behind one face, so that each command is tried on both.
  std::vector<QWidget*> Editors() const { return {line_, plain_}; }
  void SetText(QWidget* editor, const QString& text) {
    if (editor == line_) {
      line_->setText(text);
    } else {
      plain_->setPlainText(text);
    }
  }
  // As std::string, so that a failure prints the text rather than its code units.
  std::string Text(QWidget* editor) const {
    return (editor == line_ ? line_->text() : plain_->toPlainText()).toStdString();
  }
  void Select(QWidget* editor, int start, int length) {
    if (editor == line_) {
      line_->setSelection(start, length);
      return;
    }
    QTextCursor cursor = plain_->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    plain_->setTextCursor(cursor);
  }
  void Insert(QWidget* editor, const QString& text) {
    if (editor == line_) {
      line_->insert(text);
    } else {
      plain_->insertPlainText(text);
    }
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

// Each case starts from "hello world" with "new " on the clipboard.
struct ClipboardCase {
  const char* command;
  int selectionStart;
  int selectionLength;
  const char* text;
  const char* clipboard;
};

TEST_F(EditCommandsTest, CutCopyAndPasteWorkTheClipboardInEitherKindOfEditor) {
  const ClipboardCase cases[] = {
      {"EditCopy", 6, 5, "hello world", "world"},
      {"EditCut", 6, 5, "hello ", "world"},
      {"EditPaste", 6, 0, "hello new world", "new "},
      {"EditPaste", 6, 5, "hello new ", "new "},
  };
  QClipboard* clipboard = QGuiApplication::clipboard();
  for (QWidget* editor : Editors()) {
    for (const ClipboardCase& c : cases) {
      SCOPED_TRACE(::testing::Message() << editor->metaObject()->className() << " " << c.command
                                        << " at " << c.selectionStart << "+" << c.selectionLength);
      SetText(editor, QStringLiteral("hello world"));
      clipboard->setText(QStringLiteral("new "));
      Focus(editor);
      Select(editor, c.selectionStart, c.selectionLength);
      ASSERT_TRUE(Enabled(c.command));
      Action(c.command)->trigger();
      EXPECT_EQ(Text(editor), c.text);
      EXPECT_EQ(clipboard->text().toStdString(), c.clipboard);
    }
  }
}

TEST_F(EditCommandsTest, UndoTakesBackTheLastEditInEitherKindOfEditor) {
  for (QWidget* editor : Editors()) {
    SCOPED_TRACE(editor->metaObject()->className());
    SetText(editor, QStringLiteral("hello world"));
    Focus(editor);
    Select(editor, 6, 0);
    Insert(editor, QStringLiteral("new "));
    ASSERT_EQ(Text(editor), "hello new world");
    ASSERT_TRUE(Enabled("EditUndo"));
    Action("EditUndo")->trigger();
    EXPECT_EQ(Text(editor), "hello world");
  }
}

}  // namespace
