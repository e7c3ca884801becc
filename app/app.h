// The application class: the framework drives the program through its events.
#pragma once

#include <memory>
#include <string_view>

#include "platform/application.h"
#include "platform/folder_item.h"

namespace app {

// Shown whenever a file's version cannot be told, whatever the file's kind.
inline constexpr std::string_view kFailureMessage =
    "Could not ascertain the version number. Please send this NKI to Quorvane at "
    "support@quorvane.com";
inline constexpr std::string_view kOpenDialogTitle = "Select a Kontakt file";

// Holds no state: every event works on its own locals.
class App final : public platform::Application {
 public:
  // Runs right after the object is made; there is nothing to set up.
  void Constructor() {}

  // Answers one document in a message box; a nil or missing document is ignored.
  void Event_OpenDocument(const std::shared_ptr<platform::FolderItem>& item) override;
  // Started with no document: lets the user pick one, then answers it.
  void Event_NewDocument() override;
  // The program runs on after each answer, until the user quits.
  void Event_Open() override;
};

}  // namespace app
