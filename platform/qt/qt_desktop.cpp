#include "platform/qt/qt_desktop.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "platform/folder_item.h"
#include "platform/menu_item.h"
#include "platform/qt/application_service.h"
#include "platform/qt/local_path.h"
#include "platform/qt/menu_translation.h"
#include "platform/qt/menu_window.h"
#include "platform/qt/session_bus.h"
#include "platform/qt/window_activation.h"

namespace platform::qt {
namespace {

// How often the event loop is served during long work: often enough to stay responsive,
// rarely enough that a detection's hundreds of calls cost nothing.
constexpr unsigned kCallsBetweenClockReadings = 64;
constexpr qint64 kServeIntervalMs = 20;

// What Qt says while it looks for a display; the first line is the reason should it fail. The
// bus thread may speak at the same time.
struct StartupMessages {
  std::mutex lock;
  QStringList messages;
};
StartupMessages& MessagesOfStartup() {
  static StartupMessages startup;
  return startup;
}

// Qt ends the process with abort() when it cannot reach a display; a desktop program without
// one should say so in one line and fail, not dump core.
void ExitOnFatalMessage(QtMsgType type, const QMessageLogContext& /*context*/,
                        const QString& message) {
  StartupMessages& startup = MessagesOfStartup();
  const std::lock_guard<std::mutex> held(startup.lock);
  if (type != QtFatalMsg) {
    startup.messages << message;
    return;
  }
  const QString reason = startup.messages.isEmpty() ? message : startup.messages.constFirst();
  std::fprintf(stderr, "whichkontakt: cannot start: no display is available (%s)\n",
               reason.section(QLatin1Char('\n'), 0, 0).toLocal8Bit().constData());
  std::_Exit(1);
}

bool HasDisplay() {
  return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
         qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

QString FromBytes(const std::string& bytes) {
  return QFile::decodeName(QByteArray::fromStdString(bytes));
}

std::string ToBytes(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

// "nki" as "*.[nN][kK][iI]": extensions match whatever their letter case, also in dialogs
// whose own matching is case-sensitive.
QString CaseInsensitivePattern(const QString& extension) {
  QString pattern = QStringLiteral("*.");
  for (const QChar c : extension) {
    if (c.isLetter() && c.toLower() != c.toUpper()) {
      pattern += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
    } else {
      pattern += c;
    }
  }
  return pattern;
}

QStringList PatternsOf(const FileTypeRecord& type) {
  QStringList patterns;
  const QString extensions = QString::fromStdString(type.extensions);
  for (const QString& extension :
       extensions.split(QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts)) {
    patterns << CaseInsensitivePattern(extension);
  }
  return patterns;
}

QStringList NameFilters(const std::vector<FileTypeRecord>& types) {
  QStringList filters;
  QStringList allPatterns;
  for (const FileTypeRecord& type : types) {
    const QStringList patterns = PatternsOf(type);
    allPatterns << patterns;
    filters << QString::fromStdString(type.name) + QStringLiteral(" (") +
                   patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  if (types.size() > 1) {
    filters.prepend(QObject::tr("All supported files") + QStringLiteral(" (") +
                    allPatterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
  }
  return filters;
}

// The program keeps no settings, but Qt's own file dialog stores its history and last folder in
// the user's "QtProject" settings when it is destroyed. Settings of the user's scope are pointed
// at a path that can never hold a file, so they read as empty and every write is refused.
void KeepNoSettings() {
  for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
  }
}

}  // namespace

QtDesktop::QtDesktop(int argc, char** argv)
    : queue_([](int status) { QApplication::exit(status); },
             // The loop has just been served: long work need not serve it again for a while.
             [this] {
               sinceServed_.restart();
               callsSinceServed_ = 0;
             }) {
  if (!HasDisplay()) {
    std::fprintf(stderr,
                 "whichkontakt: cannot start: no display to run on (DISPLAY and WAYLAND_DISPLAY "
                 "are not set)\n");
    std::exit(1);
  }
  UseOnlyALiveSessionBus();
  // Kept as bytes, not read through QApplication::arguments(): a file name that is not valid
  // UTF-8 would not survive the trip through QString.
  for (int i = 1; i < argc; ++i) {
    documents_.emplace_back(argv[i]);
  }
  // Before the QApplication: a start that hands over ends without ever reaching the display.
  if (!JoinSession(LaunchOfThisStart())) {
    return;
  }
  KeepNoSettings();
  // The desktop's own dialog records what was opened (GTK's writes recently-used.xbel and makes
  // its bookmarks folder as soon as it is created); Qt's keeps nothing once settings are kept.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  static char fallbackName[] = "whichkontakt";
  qtArgv_[0] = argc > 0 && argv[0] != nullptr ? argv[0] : fallbackName;
  qInstallMessageHandler(&ExitOnFatalMessage);
  application_ = std::make_unique<QApplication>(qtArgc_, qtArgv_);
  qInstallMessageHandler(nullptr);
  QStringList messages;
  {
    StartupMessages& startup = MessagesOfStartup();
    const std::lock_guard<std::mutex> held(startup.lock);
    messages = std::exchange(startup.messages, {});
  }
  for (const QString& message : messages) {
    qWarning("%s", qPrintable(message));
  }
  QApplication::setApplicationName(QStringLiteral("whichkontakt"));
  sinceServed_.start();
}

QtDesktop::~QtDesktop() = default;

// Linux learns of document types from the installed MIME package and launcher, not at run time.
void QtDesktop::RegisterFileType(const FileTypeRecord& /*type*/) {}

void QtDesktop::DeregisterFileType(const std::string& /*name*/) {}

void QtDesktop::Run(EventSink& events) {
  if (!application_) {
    // The session's program answers them; this start ends as after a quit, having shown nothing.
    return;
  }
  events_ = &events;
  window_ = std::make_unique<MenuWindow>(
      [this, &events](const std::string& path) {
        queue_.Run([&events, path] { events.DocumentDropped(path); });
      },
      [this] { Quit(); });
  BuildWindowMenus(events);
  window_->show();
  // First in the queue: the session's name is ours since before the QApplication, so calls of
  // later starts may be waiting already, and must come after this start's own documents or
  // dialog.
  queue_.Take([this, &events] { events.Started(documents_); });
  QApplication::exec();
  // Nothing more is taken, and calls still waiting refer to this run's events: a later run must
  // not receive them.
  session_.reset();
  window_.reset();
  events_ = nullptr;
  queue_.Reset();
}

bool QtDesktop::JoinSession(const QVariantMap& launch) {
  session_ = std::make_unique<ApplicationService>(
      [this](const std::vector<std::string>& paths, const QVariantMap& platformData) {
        return TakeHandedOver(paths, platformData);
      },
      [this](const QVariantMap& platformData) { return TakeBareStart(platformData); });
  if (session_->Start(documents_, launch) == ApplicationService::Outcome::kHandedOver) {
    session_.reset();
    return false;
  }
  return true;
}

// Bus calls are served only while the loop runs, so events_ is set.
bool QtDesktop::TakeHandedOver(const std::vector<std::string>& paths,
                               const QVariantMap& platformData) {
  if (queue_.Closed()) {
    return false;
  }
  BringToFrontLater(platformData);
  for (const std::string& path : paths) {
    queue_.Take([this, path] { events_->DocumentDropped(path); });
  }
  return true;
}

// A bare start while a box or the dialog is up, or about to be, finds it brought forward instead
// of a further dialog queued behind it.
bool QtDesktop::TakeBareStart(const QVariantMap& platformData) {
  if (queue_.Closed()) {
    return false;
  }
  const bool showing = queue_.Busy();
  BringToFrontLater(platformData);
  if (!showing) {
    queue_.Take([this] { events_->NewDocumentRequested(); });
  }
  return true;
}

// The box or dialog that is up, or else the window, comes forward; after the reply, since
// talking to the X server first could make the later start give up waiting and answer the
// documents that this program has taken too. Before the calls just taken run, so that the window
// is forward when their box or dialog opens over it.
void QtDesktop::BringToFrontLater(const QVariantMap& platformData) {
  QMetaObject::invokeMethod(
      application_.get(),
      [this, startupId = StartupIdOf(platformData)] {
        QWidget* front = QApplication::activeModalWidget();
        if (front == nullptr) {
          front = window_.get();
        }
        if (front != nullptr) {
          ActivateForLaunch(*front, startupId);
        }
      },
      Qt::QueuedConnection);
}

void QtDesktop::BuildWindowMenus(EventSink& events) {
  QMenuBar* menuBar = window_->menuBar();
  menuBar->clear();
  if (menuBar_) {
    BuildMenus(*menuBar, *menuBar_, [this, &events](const std::shared_ptr<MenuItem>& item) {
      queue_.Run([&events, item] { events.MenuItemChosen(item); });
    });
  }
}

void QtDesktop::Quit() {
  queue_.Close();
}

void QtDesktop::ServeEvents() {
  if (++callsSinceServed_ < kCallsBetweenClockReadings) {
    return;
  }
  callsSinceServed_ = 0;
  if (sinceServed_.elapsed() >= kServeIntervalMs) {
    QApplication::processEvents();
    sinceServed_.restart();
  }
}

void QtDesktop::AutoQuit(bool on) {
  QApplication::setQuitOnLastWindowClosed(on);
}

void QtDesktop::InstallMenuBar(const std::shared_ptr<MenuItem>& bar) {
  menuBar_ = bar;
}

void QtDesktop::ShowMessage(const std::string& text) {
  ShowBox(MessageBox::Kind::kInformation, text, {});
}

void QtDesktop::ShowWarning(const std::string& text, const std::string& details) {
  ShowBox(MessageBox::Kind::kWarning, text, details);
}

void QtDesktop::ShowBox(MessageBox::Kind kind, const std::string& text,
                        const std::string& details) {
  MessageBox box(kind, QApplication::applicationName(), QString::fromUtf8(text),
                 QString::fromUtf8(details), window_.get());
  box.exec();
}

std::optional<std::string> QtDesktop::ChooseFile(const OpenDialogRequest& request) {
  QString folder;
  if (request.initialDirectory) {
    folder = FromBytes(request.initialDirectory->Path());
  }
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    folder = QDir::homePath();
  }
  QFileDialog dialog(window_.get(), QString::fromUtf8(request.title), folder);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(NameFilters(request.fileTypes));
  // The patterns spell out both letter cases; the user needs only the names.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedUrls().isEmpty()) {
    return std::nullopt;
  }
  return LocalFilePath(dialog.selectedUrls().constFirst());
}

std::string QtDesktop::DocumentsFolderPath() {
  return ToBytes(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

}  // namespace platform::qt
