// The framework's modal dialogs: the message box, the open dialog and the folders it starts in.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/folder_item.h"

namespace platform {

// Shows text as it stands, in a modal message box with one button to dismiss it.
void MsgBox(const std::string& text);

class OpenDialog {
 public:
  // The folder the dialog opens in; nil, or a folder that does not exist, leaves it to the
  // desktop, which opens the home folder.
  void InitialDirectory(std::shared_ptr<FolderItem> folder) {
    initialDirectory_ = std::move(folder);
  }
  void Title(std::string title) { title_ = std::move(title); }
  // Names of registered file types joined by ";": the files the dialog offers.
  void Filter(std::string filter) { filter_ = std::move(filter); }
  // Waits for the user: the chosen file, or nil when the dialog was cancelled.
  std::shared_ptr<FolderItem> ShowModal() const;

 private:
  std::shared_ptr<FolderItem> initialDirectory_;
  std::string title_;
  std::string filter_;
};

namespace SpecialFolder {
// The user's documents folder as the desktop defines it.
std::shared_ptr<FolderItem> Documents();
}  // namespace SpecialFolder

}  // namespace platform
