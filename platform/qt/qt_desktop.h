// The desktop on Qt 6 Widgets: the event loop, the menu bar, dialogs and message boxes.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/qt/call_queue.h"
#include "platform/qt/message_box.h"

namespace platform::qt {

class ApplicationService;
class MenuWindow;

class QtDesktop : public platform::Desktop {
 public:
  // Every argument after the program's name is a document handed to the program, whatever it
  // looks like: Qt is given the program's name alone, and is configured only through its
  // environment. Without a display it writes one line to standard error and ends the process
  // with status 1.
  QtDesktop(int argc, char** argv);
  ~QtDesktop() override;

  void RegisterFileType(const FileTypeRecord& type) override;
  void DeregisterFileType(const std::string& name) override;
  void Run(EventSink& events) override;
  void Quit() override;
  void ServeEvents() override;
  void AutoQuit(bool on) override;
  void InstallMenuBar(const std::shared_ptr<MenuItem>& bar) override;
  void ShowMessage(const std::string& text) override;
  void ShowWarning(const std::string& text, const std::string& details) override;
  std::optional<std::string> ChooseFile(const OpenDialogRequest& request) override;
  std::string DocumentsFolderPath() override;

 private:
  // The session's program, or this start handing over to it: false when this start has handed
  // its documents over and must end. launch: this start's startup id, for the window to come
  // forward.
  bool JoinSession(const QVariantMap& launch);
  // A later start's documents, or its bare start: taken into the queue unless it is closed.
  bool TakeHandedOver(const std::vector<std::string>& paths, const QVariantMap& platformData);
  bool TakeBareStart(const QVariantMap& platformData);
  // The box or dialog that is up, or else the window, comes forward, once the bus call has been
  // answered.
  void BringToFrontLater(const QVariantMap& platformData);
  void BuildWindowMenus(EventSink& events);
  void ShowBox(MessageBox::Kind kind, const std::string& text, const std::string& details);

  // Qt keeps referring to its argc and argv, so they live as long as the application.
  int qtArgc_ = 1;
  char* qtArgv_[2] = {nullptr, nullptr};
  std::unique_ptr<QApplication> application_;
  std::vector<std::string> documents_;
  EventSink* events_ = nullptr;  // while Run runs
  std::shared_ptr<MenuItem> menuBar_;
  std::unique_ptr<ApplicationService> session_;
  std::unique_ptr<MenuWindow> window_;
  CallQueue queue_;
  QElapsedTimer sinceServed_;
  unsigned callsSinceServed_ = 0;
};

}  // namespace platform::qt
