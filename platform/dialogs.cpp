#include "platform/dialogs.h"

#include "platform/desktop.h"
#include "platform/file_type_registry.h"

namespace platform {

void MsgBox(const std::string& text) {
  CurrentDesktop().ShowMessage(text);
}

std::shared_ptr<FolderItem> OpenDialog::ShowModal() const {
  const std::optional<std::string> chosen = CurrentDesktop().ChooseFile(
      {initialDirectory_, title_, filter_, RegisteredFileTypes(filter_)});
  return chosen ? std::make_shared<FolderItem>(*chosen) : nullptr;
}

std::shared_ptr<FolderItem> SpecialFolder::Documents() {
  return std::make_shared<FolderItem>(CurrentDesktop().DocumentsFolderPath());
}

}  // namespace platform
