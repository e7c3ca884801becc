// The desktop on Qt 6 Widgets: the event loop, the menu bar, dialogs and message boxes.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/qt/message_box.h"

namespace platform::qt {

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
  // Runs a call from the event loop into the program, one at a time: a call that comes while
  // another runs (from the nested loop of its box or dialog) waits until that one has returned,
  // so no box opens on top of another. Anything a call raises is kept and ends the loop, to be
  // raised again once the loop has returned, as nothing may unwind through Qt.
  void Guarded(std::function<void()> call);
  // Guarded, later: from a handler that must return first (a bus call waiting for its reply).
  void GuardedLater(std::function<void()> call);
  void BringToFront();
  void BuildWindowMenus(EventSink& events);
  void ShowBox(MessageBox::Kind kind, const std::string& text, const std::string& details);

  // Qt keeps referring to its argc and argv, so they live as long as the application.
  int qtArgc_ = 1;
  char* qtArgv_[2] = {nullptr, nullptr};
  std::unique_ptr<QApplication> application_;
  std::vector<std::string> documents_;
  std::shared_ptr<MenuItem> menuBar_;
  std::unique_ptr<MenuWindow> window_;
  std::deque<std::function<void()>> waiting_;
  bool running_ = false;
  bool quitting_ = false;
  std::exception_ptr escaped_;
  QElapsedTimer sinceServed_;
  unsigned callsSinceServed_ = 0;
};

}  // namespace platform::qt
