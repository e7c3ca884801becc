#include "tests/support/recording_desktop.h"

#include "platform/folder_item.h"
#include "platform/menu_item.h"

namespace testing_support {

std::vector<std::string> RecordingDesktop::Messages() const {
  std::vector<std::string> messages;
  for (const std::string& call : calls) {
    if (call.rfind("message ", 0) == 0) {
      messages.push_back(call.substr(8));
    }
  }
  return messages;
}

void RecordingDesktop::RegisterFileType(const platform::FileTypeRecord& type) {
  calls.push_back("register " + type.name + "|" + type.creator + "|" + type.type + "|" +
                  type.extensions);
}

void RecordingDesktop::DeregisterFileType(const std::string& name) {
  calls.push_back("deregister " + name);
}

void RecordingDesktop::Run(platform::EventSink& events) {
  calls.push_back("run");
  events.Started(startupDocuments);
  for (const std::string& path : droppedDocuments) {
    events.DocumentDropped(path);
  }
  for (int i = 0; i < newDocumentRequests; ++i) {
    events.NewDocumentRequested();
  }
  for (const std::string& name : chosenMenuItems) {
    events.MenuItemChosen(FindMenuItem(name));
  }
}

std::shared_ptr<platform::MenuItem> RecordingDesktop::FindMenuItem(const std::string& name) const {
  if (const auto bar = menuBar.lock()) {
    for (const auto& menu : bar->Children()) {
      if (menu->Name() == name) {
        return menu;
      }
      if (auto item = menu->Child(name)) {
        return item;
      }
    }
  }
  return nullptr;
}

void RecordingDesktop::Quit() {
  calls.push_back("quit");
}

void RecordingDesktop::ServeEvents() {
  calls.push_back("serve");
}

void RecordingDesktop::AutoQuit(bool on) {
  calls.push_back(on ? "autoquit on" : "autoquit off");
}

void RecordingDesktop::InstallMenuBar(const std::shared_ptr<platform::MenuItem>& bar) {
  menuBar = bar;
  calls.push_back("menubar");
}

void RecordingDesktop::ShowMessage(const std::string& text) {
  calls.push_back("message " + text);
}

void RecordingDesktop::ShowWarning(const std::string& text, const std::string& details) {
  calls.push_back("warning " + text + "|" + details);
}

std::optional<std::string> RecordingDesktop::ChooseFile(
    const platform::OpenDialogRequest& request) {
  lastDialog = request;
  const std::string folder = request.initialDirectory ? request.initialDirectory->Path() : "";
  calls.push_back("choose " + request.title + "|" + folder + "|" + request.filter);
  if (chosenFiles.empty()) {
    return std::nullopt;
  }
  std::optional<std::string> answer = chosenFiles.front();
  chosenFiles.pop_front();
  return answer;
}

std::string RecordingDesktop::DocumentsFolderPath() {
  return documentsFolder;
}

}  // namespace testing_support
