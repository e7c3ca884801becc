#include "platform/qt/message_box.h"

#include <QAccessible>
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
#include <algorithm>

#include "platform/qt/message_box_accessibility.h"

namespace platform::qt {
namespace {

// About as wide as a line of a letter: a file name of 255 bytes takes a few lines.
constexpr int kMaxCharactersPerLine = 72;
// Lines of details shown at most before they scroll.
constexpr int kDetailsLines = 8;

// The read-only text of the box: it looks like a label but wraps anywhere and can be selected.
QTextEdit* MakeTextView(const QString& text, QWidget* parent) {
  auto* view = new QTextEdit(parent);
  view->setObjectName(QStringLiteral("message_text"));
  // The box's description already says the text; the name says what the view holds.
  view->setAccessibleName(QObject::tr("Message"));
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

// The details, shown on request: read-only, and read and selected with the keys like the text.
QPlainTextEdit* MakeDetailsView(const QString& details, QWidget* parent) {
  if (details.isEmpty()) {
    return nullptr;
  }
  auto* view = new QPlainTextEdit(details, parent);
  view->setAccessibleName(QObject::tr("Details"));
  view->setReadOnly(true);
  // Read-only, it would only scroll under the arrow keys: a caret lets them read and select.
  view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  view->setTabChangesFocus(true);
  view->hide();
  return view;
}

// The first interface made for an object is kept for its lifetime: the box's own must be known
// before the box exists.
QWidget* WithAccessibilityInstalled(QWidget* parent) {
  InstallMessageBoxAccessibility();
  return parent;
}

}  // namespace

MessageBox::MessageBox(Kind kind, const QString& title, const QString& text, const QString& details,
                       QWidget* parent)
    : QDialog(WithAccessibilityInstalled(parent)),
      text_(text),
      details_(details),
      textView_(MakeTextView(text, this)),
      detailsView_(MakeDetailsView(details, this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok, this)) {
  setWindowTitle(title);
  setModal(true);

  auto* icon = new QLabel(this);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()
                      ->standardIcon(kind == Kind::kWarning ? QStyle::SP_MessageBoxWarning
                                                            : QStyle::SP_MessageBoxInformation,
                                     nullptr, this)
                      .pixmap(iconSize, iconSize));
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(icon, 0, 0, Qt::AlignTop);
  layout->addWidget(textView_, 0, 1);
  if (detailsView_ != nullptr) {
    layout->addWidget(detailsView_, 1, 0, 1, 2);
    QPushButton* toggle =
        buttons_->addButton(tr("Show Details\u2026"), QDialogButtonBox::ActionRole);
    connect(toggle, &QPushButton::clicked, this, [this, toggle] {
      const bool show = detailsView_->isHidden();
      detailsView_->setVisible(show);
      toggle->setText(show ? tr("Hide Details\u2026") : tr("Show Details\u2026"));
      FitToScreen();
    });
    detailsView_->installEventFilter(this);
  }
  layout->addWidget(buttons_, 2, 0, 1, 2);
  textView_->installEventFilter(this);
  FitToScreen();

  QPushButton* ok = buttons_->button(QDialogButtonBox::Ok);
  ok->setDefault(true);
  ok->setFocus();
}

void MessageBox::FitToScreen() {
  const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : this->screen();
  const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  // The window manager's title bar and borders lie outside the box's own size.
  const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
  const auto* grid = static_cast<QGridLayout*>(layout());
  const QMargins margins = grid->contentsMargins();
  const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);

  QTextDocument* document = textView_->document();
  const qreal longest = textView_->fontMetrics().averageCharWidth() * kMaxCharactersPerLine;
  const qreal widest = qMin<qreal>(longest, available.width() * 2 / 3);
  const QFontMetricsF metrics(textView_->font());
  qreal natural = 0;
  for (const QString& line : text_.split(QLatin1Char('\n'))) {
    natural = qMax(natural, metrics.horizontalAdvance(line));
  }
  // One pixel more for the text cursor, which keyboard selection shows.
  const int width = qCeil(qMin(natural + 2 * document->documentMargin(), widest)) + 1;
  textView_->setLineWrapColumnOrWidth(width);
  document->setTextWidth(width);
  const int textHeight = qCeil(document->size().height());

  const bool detailsShown = detailsView_ != nullptr && !detailsView_->isHidden();
  const int spacing = grid->verticalSpacing();
  int room = available.height() - titleBar - 2 * border - margins.top() - margins.bottom() -
             spacing - buttons_->sizeHint().height();
  int detailsHeight = 0;
  if (detailsShown) {
    room -= spacing;
    const int wanted =
        kDetailsLines * detailsView_->fontMetrics().lineSpacing() +
        2 * (detailsView_->frameWidth() + qCeil(detailsView_->document()->documentMargin()));
    // A long text leaves the details at least half the room.
    detailsHeight = std::min(wanted, std::max(room - textHeight, room / 2));
    detailsView_->setFixedHeight(std::max(detailsHeight, 0));
    detailsView_->setMaximumWidth(available.width() - 2 * border - margins.left() -
                                  margins.right());
  }
  const int shownHeight = std::max(std::min(textHeight, room - detailsHeight), 0);
  // A text that must scroll gets its scroll bar beside the lines, not over their ends.
  textView_->setFixedSize(width + (shownHeight < textHeight ? scrollBar : 0), shownHeight);
}

void MessageBox::CopyText() {
  QString copied;
  if (focusWidget() == textView_) {
    copied = textView_->textCursor().selectedText();
  } else if (detailsView_ != nullptr && focusWidget() == detailsView_) {
    copied = detailsView_->textCursor().selectedText();
  }
  if (copied.isEmpty()) {
    copied = details_.isEmpty() ? text_ : text_ + QStringLiteral("\n\n") + details_;
  }
  // A selection spanning lines comes with paragraph separators; the clipboard wants newlines.
  copied.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  QApplication::clipboard()->setText(copied);
}

// As QMessageBox does: assistive technology announces an alert when it is told of one.
void MessageBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  QAccessibleEvent alert(this, QAccessible::Alert);
  QAccessible::updateAccessibility(&alert);
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
