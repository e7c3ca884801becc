// The framework's modal message box. Unlike QMessageBox its text can be selected with the mouse
// and the keyboard, Ctrl+C copies it on every platform, and a long file name wraps anywhere
// instead of running off the box's edge.
#pragma once

#include <QDialog>
#include <QString>

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
  // Puts the selected part of the text on the clipboard, or the whole text (details included)
  // when nothing is selected.
  void CopyText();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FitTextView();

  QString text_;
  QString details_;
  QTextEdit* textView_;
  QPlainTextEdit* detailsView_ = nullptr;
};

}  // namespace platform::qt
