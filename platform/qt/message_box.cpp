#include "platform/qt/message_box.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextEdit>
#include <QtMath>

namespace platform::qt {
namespace {

// About as wide as a line of a letter: a file name of 255 bytes takes a few lines.
constexpr int kMaxCharactersPerLine = 72;

// The read-only text of the box: it looks like a label but wraps anywhere and can be selected.
QTextEdit* MakeTextView(const QString& text, QWidget* parent) {
  auto* view = new QTextEdit(parent);
  view->setObjectName(QStringLiteral("message_text"));
  view->setReadOnly(true);
  view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  view->setFrameShape(QFrame::NoFrame);
  view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view->setTabChangesFocus(true);
  view->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  view->setLineWrapMode(QTextEdit::FixedPixelWidth);
  QPalette palette = view->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  view->setPalette(palette);
  view->setPlainText(text);
  return view;
}

}  // namespace

MessageBox::MessageBox(Kind kind, const QString& title, const QString& text, const QString& details,
                       QWidget* parent)
    : QDialog(parent), text_(text), details_(details), textView_(MakeTextView(text, this)) {
  setWindowTitle(title);
  setModal(true);

  auto* icon = new QLabel(this);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()
                      ->standardIcon(kind == Kind::kWarning ? QStyle::SP_MessageBoxWarning
                                                            : QStyle::SP_MessageBoxInformation,
                                     nullptr, this)
                      .pixmap(iconSize, iconSize));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(icon, 0, 0, Qt::AlignTop);
  layout->addWidget(textView_, 0, 1);
  if (!details_.isEmpty()) {
    detailsView_ = new QPlainTextEdit(details_, this);
    detailsView_->setReadOnly(true);
    detailsView_->setTabChangesFocus(true);
    detailsView_->hide();
    layout->addWidget(detailsView_, 1, 0, 1, 2);
    QPushButton* toggle =
        buttons->addButton(tr("Show Details\u2026"), QDialogButtonBox::ActionRole);
    toggle->setAutoDefault(false);
    connect(toggle, &QPushButton::clicked, this, [this, toggle] {
      const bool show = detailsView_->isHidden();
      detailsView_->setVisible(show);
      toggle->setText(show ? tr("Hide Details\u2026") : tr("Show Details\u2026"));
    });
    detailsView_->installEventFilter(this);
  }
  layout->addWidget(buttons, 2, 0, 1, 2);
  textView_->installEventFilter(this);
  FitTextView();

  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setDefault(true);
  ok->setFocus();
}

void MessageBox::FitTextView() {
  QTextDocument* document = textView_->document();
  const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : this->screen();
  const int screenWidth = screen != nullptr ? screen->availableGeometry().width() : 1024;
  const int screenHeight = screen != nullptr ? screen->availableGeometry().height() : 768;
  const qreal margins = 2 * document->documentMargin();
  const qreal longest = textView_->fontMetrics().averageCharWidth() * kMaxCharactersPerLine;
  const qreal widest = qMin<qreal>(longest, screenWidth * 2 / 3);

  const QFontMetricsF metrics(textView_->font());
  qreal natural = 0;
  for (const QString& line : text_.split(QLatin1Char('\n'))) {
    natural = qMax(natural, metrics.horizontalAdvance(line));
  }
  // One pixel more for the text cursor, which keyboard selection shows.
  const int width = qCeil(qMin(natural + margins, widest)) + 1;
  textView_->setLineWrapColumnOrWidth(width);
  document->setTextWidth(width);
  const int height = qCeil(document->size().height());
  textView_->setFixedSize(width, qMin(height, screenHeight / 2));
}

void MessageBox::CopyText() {
  QString copied = textView_->textCursor().selectedText();
  if (copied.isEmpty() && detailsView_ != nullptr) {
    copied = detailsView_->textCursor().selectedText();
  }
  if (copied.isEmpty()) {
    copied = details_.isEmpty() ? text_ : text_ + QStringLiteral("\n\n") + details_;
  }
  // A selection spanning lines comes with paragraph separators; the clipboard wants newlines.
  copied.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  QApplication::clipboard()->setText(copied);
}

void MessageBox::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopyText();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

// The text views would copy only a selection, and nothing without one.
bool MessageBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    CopyText();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace platform::qt
