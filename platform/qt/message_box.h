// The framework's modal message box. Unlike QMessageBox its text can be selected with the mouse
// and the keyboard, Ctrl+C copies it on every platform, and a long file name wraps anywhere
// instead of running off the box's edge. Like QMessageBox it is an alert to assistive
// technology, whose whole text a screen reader reads as it appears.
#pragma once

#include <QDialog>
#include <QString>

class QDialogButtonBox;
class QKeyEvent;
class QPlainTextEdit;
class QTextEdit;

namespace platform::qt {

class MessageBox : public QDialog {
  Q_OBJECT

 public:
  enum class Kind { kInformation, kWarning };

  // The texts are shown as plain text, never as markup. details: shown on request; empty: none.
  MessageBox(Kind kind, const QString& title, const QString& text, const QString& details,
             QWidget* parent);

  const QString& text() const noexcept { return text_; }
  const QString& details() const noexcept { return details_; }
  // Puts the selection of the text view that has the focus on the clipboard, or else the whole
  // text, details included.
  void CopyText();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Sizes the views so that the whole box, details shown or not, fits the screen's available
  // area; what does not fit scrolls inside its view.
  void FitToScreen();

  QString text_;
  QString details_;
  // Made in this order, the order Tab runs in, top down: the button box hands Tab on to its buttons
  // from where it stands in the focus chain, where it was made, and setTabOrder cannot move it.
  QTextEdit* textView_;
  QPlainTextEdit* detailsView_;  // nullptr: no details
  QDialogButtonBox* buttons_;
};

}  // namespace platform::qt
