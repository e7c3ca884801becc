// A desktop with no display: it records every call the framework makes, in order, and
// answers dialogs from a script.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace testing_support {

class RecordingDesktop : public platform::Desktop {
 public:
  // Each call as one line: "register <name>|<creator>|<type>|<extensions>", "deregister <name>",
  // "run", "quit", "serve", "autoquit on|off", "menubar", "message <text>", "warning
  // <text>|<details>", "choose <title>|<initial folder>|<filter text>".
  std::vector<std::string> calls;
  // Handed to the program when the loop starts, then dropped on it one by one.
  std::vector<std::string> startupDocuments;
  std::vector<std::string> droppedDocuments;
  // Then so many bare later starts ask for a new document.
  int newDocumentRequests = 0;
  // Then these menu items, by Name, are chosen from the installed menu bar, in order.
  std::vector<std::string> chosenMenuItems;
  // Answers of ChooseFile in order; nullopt is a cancelled dialog, and so is an empty script.
  std::deque<std::optional<std::string>> chosenFiles;
  std::string documentsFolder = "/home/user/Documents";
  // Not owned, so that a test can see the program release its bar.
  std::weak_ptr<platform::MenuItem> menuBar;
  platform::OpenDialogRequest lastDialog;

  std::vector<std::string> Messages() const;
  // The menu or item of that Name in the installed menu bar, or nil.
  std::shared_ptr<platform::MenuItem> FindMenuItem(const std::string& name) const;

  void RegisterFileType(const platform::FileTypeRecord& type) override;
  void DeregisterFileType(const std::string& name) override;
  void Run(platform::EventSink& events) override;
  void Quit() override;
  void ServeEvents() override;
  void AutoQuit(bool on) override;
  void InstallMenuBar(const std::shared_ptr<platform::MenuItem>& bar) override;
  void ShowMessage(const std::string& text) override;
  void ShowWarning(const std::string& text, const std::string& details) override;
  std::optional<std::string> ChooseFile(const platform::OpenDialogRequest& request) override;
  std::string DocumentsFolderPath() override;
};

}  // namespace testing_support
