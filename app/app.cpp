#include "app/app.h"

#include <string>

#include "app/file_types1.h"
#include "platform/dialogs.h"
#include "version_detection/bas_kontakt_version.h"

namespace app {
namespace {

// Shows the answer text when the version was found, the failure message otherwise.
void ShowAnswer(const std::shared_ptr<platform::FolderItem>& item) {
  std::string answer;
  if (basKontaktVersion::ShowKontaktVersion(item, answer) != basKontaktVersion::kFound) {
    answer = kFailureMessage;
  }
  platform::MsgBox(answer);
}

}  // namespace

void App::Event_OpenDocument(const std::shared_ptr<platform::FolderItem>& item) {
  if (!item || !item->Exists()) {
    return;
  }
  ShowAnswer(item);
}

void App::Event_NewDocument() {
  platform::OpenDialog dialog;
  dialog.InitialDirectory(platform::SpecialFolder::Documents());
  dialog.Title(std::string(kOpenDialogTitle));
  dialog.Filter(FileTypes1::NIKontaktInstrument() + FileTypes1::NIKontaktMulti() +
                FileTypes1::NIKontaktBank());
  const std::shared_ptr<platform::FolderItem> chosen = dialog.ShowModal();
  if (!chosen) {
    return;
  }
  // No existence test here: a file gone since it was chosen gets the failure message.
  ShowAnswer(chosen);
}

void App::Event_Open() {
  AutoQuit(false);
}

}  // namespace app
