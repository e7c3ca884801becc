// The framework's message box, offscreen: what Ctrl+C copies, how the text is shown, how a long
// file name and long details are fitted to the screen, what assistive technology is told, and
// what the keyboard does.
#include "platform/qt/message_box.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextLayout>
#include <QtMath>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using platform::qt::MessageBox;

// A place the focus can be in; the buttons also by where they stand in their row.
enum class Where { kOk, kText, kDetails, kToggle, kLeftButton, kRightButton };

class MessageBoxTest : public ::testing::Test {
 protected:
  // Shows a box as the program would, active and with its default focus.
  MessageBox& Show(const QString& text, const QString& details = {},
                   MessageBox::Kind kind = MessageBox::Kind::kInformation) {
    box_ =
        std::make_unique<MessageBox>(kind, QStringLiteral("whichkontakt"), text, details, nullptr);
    box_->show();
    QApplication::setActiveWindow(box_.get());
    QApplication::processEvents();
    return *box_;
  }
  QTextEdit* TextView() const {
    return box_->findChild<QTextEdit*>(QStringLiteral("message_text"));
  }
  QPlainTextEdit* DetailsView() const { return box_->findChild<QPlainTextEdit*>(); }
  QPushButton* Button(const QString& text) const {
    for (QPushButton* button : box_->findChildren<QPushButton*>()) {
      if (button->text() == text) {
        return button;
      }
    }
    return nullptr;
  }
  // Selects length characters from start in a text view.
  template <class View>
  static void Select(View* view, int start, int length) {
    QTextCursor cursor = view->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
  }
  QWidget* At(Where where) const {
    const auto* buttons = box_->findChild<QDialogButtonBox*>();
    QList<QAbstractButton*> row = buttons->buttons();
    std::sort(row.begin(), row.end(), [this](QWidget* left, QWidget* right) {
      return left->mapTo(box_.get(), QPoint()).x() < right->mapTo(box_.get(), QPoint()).x();
    });
    switch (where) {
      case Where::kOk:
        return buttons->button(QDialogButtonBox::Ok);
      case Where::kText:
        return TextView();
      case Where::kDetails:
        return DetailsView();
      case Where::kToggle:
        return *std::find_if(row.begin(), row.end(), [buttons](QAbstractButton* button) {
          return buttons->buttonRole(button) == QDialogButtonBox::ActionRole;
        });
      case Where::kLeftButton:
        return row.front();
      case Where::kRightButton:
        return row.back();
    }
    return nullptr;
  }
  void Focus(QWidget* widget) {
    widget->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), widget);
  }
  // Ctrl+C as the user types it, to whatever has the focus.
  static std::string CopyWithKeyboard() {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
    return QGuiApplication::clipboard()->text().toStdString();
  }

  int argc_ = 1;
  char name_[12] = "message_box";
  char* argv_[2] = {name_, nullptr};
  QApplication application_{argc_, argv_};
  std::unique_ptr<MessageBox> box_;
};

struct CopyCase {
  const char* label;
  const char* details;
  Where focus;
  int selectionStart;
  int selectionLength;  // 0: nothing selected
  const char* clipboard;
};

TEST_F(MessageBoxTest, CtrlCCopiesTheSelectionOrElseTheWholeText) {
  const QString text = QStringLiteral("Could not read x.nki:\nit is not a regular file.");
  const CopyCase cases[] = {
      {"button, no details", "", Where::kOk, 0, 0,
       "Could not read x.nki:\nit is not a regular file."},
      {"button", "error 22\nbad", Where::kOk, 0, 0,
       "Could not read x.nki:\nit is not a regular file.\n\nerror 22\nbad"},
      {"text, nothing selected", "error 22\nbad", Where::kText, 0, 0,
       "Could not read x.nki:\nit is not a regular file.\n\nerror 22\nbad"},
      {"text, a word", "error 22\nbad", Where::kText, 15, 5, "x.nki"},
      // A selection over a line break must come out as a newline, not as U+2029.
      {"text, across lines", "", Where::kText, 15, 12, "x.nki:\nit is"},
      {"details, nothing selected", "error 22\nbad", Where::kDetails, 0, 0,
       "Could not read x.nki:\nit is not a regular file.\n\nerror 22\nbad"},
      {"details, a word", "error 22\nbad", Where::kDetails, 6, 2, "22"},
  };
  for (const CopyCase& c : cases) {
    SCOPED_TRACE(c.label);
    MessageBox& box = Show(text, QString::fromUtf8(c.details));
    const bool hasDetails = DetailsView() != nullptr;
    if (hasDetails) {
      Button(QStringLiteral("Show Details\u2026"))->click();
    }
    // What the user selected earlier in a view that no longer has the focus is not copied.
    Select(TextView(), 0, 5);
    if (hasDetails) {
      Select(DetailsView(), 0, 5);
    }
    if (c.focus == Where::kOk) {
      // The OK button has the focus without anyone moving it there.
      QPushButton* ok = box.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
      ASSERT_NE(ok, nullptr);
      EXPECT_EQ(QApplication::focusWidget(), ok);
    } else if (c.focus == Where::kText) {
      Select(TextView(), c.selectionStart, c.selectionLength);
      Focus(TextView());
    } else {
      Select(DetailsView(), c.selectionStart, c.selectionLength);
      Focus(DetailsView());
    }
    EXPECT_EQ(CopyWithKeyboard(), c.clipboard);
    EXPECT_TRUE(box.isVisible()) << "Ctrl+C closed the box";
  }
}

// A file name may hold anything, markup included: the user must see the name itself.
TEST_F(MessageBoxTest, TextIsShownAsGivenNeverAsMarkup) {
  const QString text = QStringLiteral("<b>Tom & Jerry<br>.nki is Kontakt Version 4.2.3.0");
  Show(text);
  ASSERT_NE(TextView(), nullptr);
  EXPECT_EQ(TextView()->toPlainText().toStdString(), text.toStdString());
}

TEST_F(MessageBoxTest, TextCanBeSelectedWithTheKeyboardAndTheMouse) {
  Show(QStringLiteral("a.nki is Kontakt Version 4.2.3.0"));
  QTextEdit* view = TextView();
  Focus(view);
  view->moveCursor(QTextCursor::Start);
  for (int i = 0; i < 5; ++i) {
    QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
  }
  EXPECT_EQ(view->textCursor().selectedText().toStdString(), "a.nki");
  EXPECT_EQ(CopyWithKeyboard(), "a.nki");

  view->moveCursor(QTextCursor::Start);
  QTextCursor from = view->textCursor();
  QTextCursor to = view->textCursor();
  to.setPosition(8);
  QWidget* viewport = view->viewport();
  QTest::mousePress(viewport, Qt::LeftButton, {}, view->cursorRect(from).center());
  QTest::mouseMove(viewport, view->cursorRect(to).center());
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, view->cursorRect(to).center());
  EXPECT_EQ(view->textCursor().selectedText().toStdString(), "a.nki is");
}

std::string Repeat(const std::string& piece, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) {
    repeated += piece;
  }
  return repeated;
}

// A name of 255 bytes, the most a file system takes, in characters of one to four bytes.
TEST_F(MessageBoxTest, LongestNameWrapsInsideTheBoxAndTheScreen) {
  const struct {
    const char* label;
    std::string name;
  } rows[] = {
      {"ASCII", std::string(255, 'a')},
      {"two bytes", "a" + Repeat("\xc3\xa9", 127)},
      {"three bytes", Repeat("\xe2\x82\xac", 85)},
      {"four bytes", "abc" + Repeat("\xf0\x9f\x98\x80", 63)},
  };
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    ASSERT_EQ(row.name.size(), 255u);
    MessageBox& box = Show(QString::fromStdString(row.name + " is Kontakt Version 4.2.3.0"));
    QTextEdit* view = TextView();
    const QSizeF document = view->document()->size();
    // On this screen, and so on any screen at least 1280 pixels wide.
    EXPECT_LE(box.frameGeometry().width(), std::min(screen.width(), 1280));
    EXPECT_LE(document.width(), view->viewport()->width());
    EXPECT_GT(view->document()->firstBlock().layout()->lineCount(), 1);
    EXPECT_GE(view->viewport()->height(), document.height());
    EXPECT_EQ(view->verticalScrollBar()->maximum(), 0);
  }
}

// However large the text, the details and the font (QT_SCALE_FACTOR), the whole box stays on the
// screen and every line can be read: what does not fit scrolls inside its view.
TEST_F(MessageBoxTest, BoxWithItsDetailsShownFitsTheScreen) {
  QString longText = QString(255, QLatin1Char('a')) + QStringLiteral(" is Kontakt Version 4.2.3.0");
  QString details;
  for (int line = 0; line < 200; ++line) {
    longText += QStringLiteral("\nline %1 of a long message").arg(line);
    details += QStringLiteral("detail %1\n").arg(line);
  }
  const struct {
    const char* label;
    QString text;
    bool scrolls;
  } rows[] = {
      {"long text", longText, true},
      {"short text", QStringLiteral("Could not read x.nki."), false},
  };
  for (const auto& row : rows) {
    MessageBox& box = Show(row.text, details);
    const QRect screen = box.screen()->availableGeometry();
    for (const bool detailsShown : {false, true}) {
      SCOPED_TRACE(std::string(row.label) +
                   (detailsShown ? ", details shown" : ", details hidden"));
      if (detailsShown) {
        Button(QStringLiteral("Show Details\u2026"))->click();
        QApplication::processEvents();
      }
      EXPECT_LE(box.frameGeometry().width(), screen.width());
      EXPECT_LE(box.frameGeometry().height(), screen.height());
      QTextEdit* view = TextView();
      EXPECT_LE(view->document()->size().width(), view->viewport()->width())
          << "the scroll bar hides the ends of the lines";
      if (row.scrolls) {
        EXPECT_GT(view->verticalScrollBar()->maximum(), 0);
      } else {
        EXPECT_EQ(view->verticalScrollBar()->maximum(), 0);
        EXPECT_EQ(view->viewport()->width(), qCeil(view->document()->size().width()))
            << "a blank strip beside the text";
      }
      EXPECT_GT(view->viewport()->height(), 0);
    }
    EXPECT_GT(DetailsView()->viewport()->height(), 0);
    EXPECT_GT(DetailsView()->verticalScrollBar()->maximum(), 0);
  }
}

// A screen reader reads an alert's name and description (or else its labels) the moment it
// appears; a dialog it announces by its title and focused button alone.
TEST_F(MessageBoxTest, AssistiveTechnologyMeetsAnAlertWithItsWholeText) {
  const QString text = QStringLiteral("k4.nki is Kontakt Version 4.2.3.0");
  MessageBox& box = Show(text, QStringLiteral("details"));
  QAccessibleInterface* alert = QAccessible::queryAccessibleInterface(&box);
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->role(), QAccessible::AlertMessage);
  EXPECT_EQ(alert->text(QAccessible::Name), QStringLiteral("whichkontakt"));
  EXPECT_EQ(alert->text(QAccessible::Description), text);
  // Said once: no label repeats the description.
  for (QWidget* child : box.findChildren<QWidget*>()) {
    QAccessibleInterface* inside = QAccessible::queryAccessibleInterface(child);
    ASSERT_NE(inside, nullptr);
    if (inside->role() == QAccessible::StaticText) {
      EXPECT_NE(inside->text(QAccessible::Name), text);
    }
  }
  QPushButton* ok = box.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
  EXPECT_TRUE(ok->isDefault());
  EXPECT_EQ(QApplication::focusWidget(), ok);
  // The details take the focus, so a screen reader names them as it reaches them.
  EXPECT_EQ(QAccessible::queryAccessibleInterface(DetailsView())->text(QAccessible::Name),
            QStringLiteral("Details"));
}

TEST_F(MessageBoxTest, DetailsStayHiddenUntilAskedFor) {
  Show(QStringLiteral("Could not read x.nki."), QStringLiteral("error 22"));
  QPlainTextEdit* details = DetailsView();
  ASSERT_NE(details, nullptr);
  EXPECT_FALSE(details->isVisible());
  QPushButton* toggle = Button(QStringLiteral("Show Details\u2026"));
  ASSERT_NE(toggle, nullptr);
  QTest::mouseClick(toggle, Qt::LeftButton);
  EXPECT_TRUE(details->isVisible());
  EXPECT_EQ(details->toPlainText().toStdString(), "error 22");
  EXPECT_EQ(toggle->text().toStdString(), "Hide Details\u2026");
  QTest::mouseClick(toggle, Qt::LeftButton);
  EXPECT_FALSE(details->isVisible());

  Show(QStringLiteral("a.nki is Kontakt Version 4.2.3.0"));
  EXPECT_EQ(Button(QStringLiteral("Show Details\u2026")), nullptr);
}

struct Key {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};

struct KeyCase {
  const char* label;
  bool detailsShown;  // before the first key
  Where focus;        // before the first key
  std::vector<Key> keys;
  std::vector<Where> focusAfterEachKey;  // empty: the focus stays where it was
  bool detailsShownAfter;
  const char* clipboard;  // what the keys copied; nullptr: not looked at
};

// What a widget is called where a failure is printed.
std::string NameOf(const QWidget* widget) {
  if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
    return button->text().toStdString();
  }
  return widget != nullptr ? widget->accessibleName().toStdString() : "nothing";
}

// The desktop's order of a dialog's buttons: OK comes first on Windows, last on KDE and GNOME.
class ButtonOrder final : public QProxyStyle {
 public:
  explicit ButtonOrder(QDialogButtonBox::ButtonLayout layout) : layout_(layout) {}

  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    return hint == SH_DialogButtonLayout ? layout_
                                         : QProxyStyle::styleHint(hint, option, widget, returned);
  }

 private:
  QDialogButtonBox::ButtonLayout layout_;
};

// The keyboard of QMessageBox: Return presses the focused button, Tab runs from the top down
// whatever the order of the buttons, and the details can be read and selected with the keys.
TEST_F(MessageBoxTest, KeyboardWorksAsInAQMessageBox) {
  const Key tab{Qt::Key_Tab};
  const Key shiftTab{Qt::Key_Backtab, Qt::ShiftModifier};
  const Key ctrlC{Qt::Key_C, Qt::ControlModifier};
  const KeyCase cases[] = {
      {"Return on Show Details", false, Where::kToggle, {{Qt::Key_Return}}, {}, true, nullptr},
      {"Enter on Hide Details",
       true,
       Where::kToggle,
       {{Qt::Key_Enter, Qt::KeypadModifier}},
       {},
       false,
       nullptr},
      {"Tab and back, details shown",
       true,
       Where::kText,
       {tab, tab, tab, tab, shiftTab, shiftTab, shiftTab, shiftTab},
       {Where::kDetails, Where::kLeftButton, Where::kRightButton, Where::kText, Where::kRightButton,
        Where::kLeftButton, Where::kDetails, Where::kText},
       true,
       nullptr},
      {"Tab and back, details hidden",
       false,
       Where::kText,
       {tab, tab, tab, shiftTab, shiftTab, shiftTab},
       {Where::kLeftButton, Where::kRightButton, Where::kText, Where::kRightButton,
        Where::kLeftButton, Where::kText},
       false,
       nullptr},
      {"first line of the details",
       true,
       Where::kDetails,
       {{Qt::Key_Home}, {Qt::Key_End, Qt::ShiftModifier}, ctrlC},
       {},
       true,
       "error 22"},
      {"arrow keys in the details",
       true,
       Where::kDetails,
       {{Qt::Key_Down},
        {Qt::Key_Right},
        {Qt::Key_Right, Qt::ShiftModifier},
        {Qt::Key_Right, Qt::ShiftModifier},
        ctrlC},
       {},
       true,
       "ad"},
  };
  for (const auto order : {QDialogButtonBox::WinLayout, QDialogButtonBox::KdeLayout}) {
    // The box lays its buttons out in the order of the style it was made with.
    QApplication::setStyle(new ButtonOrder(order));
    for (const KeyCase& c : cases) {
      SCOPED_TRACE(std::string(c.label) +
                   (order == QDialogButtonBox::WinLayout ? ", OK first" : ", OK last"));
      MessageBox& box = Show(QStringLiteral("Could not read x.nki."),
                             QStringLiteral("error 22\nbad header"), MessageBox::Kind::kWarning);
      if (c.detailsShown) {
        Button(QStringLiteral("Show Details\u2026"))->click();
      }
      Focus(At(c.focus));
      QGuiApplication::clipboard()->setText(QStringLiteral("before"));
      std::vector<std::string> focused;
      for (const Key& key : c.keys) {
        QTest::keyClick(QApplication::focusWidget(), key.key, key.modifiers);
        focused.push_back(NameOf(QApplication::focusWidget()));
      }
      std::vector<std::string> expected;
      for (std::size_t i = 0; i < c.keys.size(); ++i) {
        expected.push_back(
            NameOf(At(c.focusAfterEachKey.empty() ? c.focus : c.focusAfterEachKey.at(i))));
      }
      EXPECT_EQ(focused, expected) << "where the focus went after each key";
      EXPECT_TRUE(box.isVisible()) << "the keys closed the box";
      EXPECT_EQ(DetailsView()->isVisible(), c.detailsShownAfter);
      if (c.clipboard != nullptr) {
        EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), c.clipboard);
      }
    }
  }
}

}  // namespace
