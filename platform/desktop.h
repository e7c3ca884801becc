// The one seam between the framework and the desktop it runs on. The Qt implementation shows
// real windows; tests install a recording one that answers from a script, with no display.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class FolderItem;
class MenuItem;

// A document file type as the desktop needs it to offer files in an open dialog.
struct FileTypeRecord {
  std::string name;
  std::string creator;
  std::string type;
  std::string extensions;
};

struct OpenDialogRequest {
  std::shared_ptr<FolderItem> initialDirectory;  // nil: the desktop's choice
  std::string title;
  std::string filter;                     // the dialog's filter text, as the program set it
  std::vector<FileTypeRecord> fileTypes;  // the registered types it names; empty: any file
};

// What the desktop's event loop hands to the framework.
class EventSink {
 public:
  // Once the loop runs: the documents handed to the program at its start, possibly none.
  virtual void Started(const std::vector<std::string>& documents) = 0;
  // A document handed to the program while it runs (dropped on its window, or opened with the
  // program while it was running).
  virtual void DocumentDropped(const std::string& path) = 0;
  // The program was started again without a document while it was running.
  virtual void NewDocumentRequested() = 0;
  virtual void MenuItemChosen(const std::shared_ptr<MenuItem>& item) = 0;

 protected:
  ~EventSink() = default;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  virtual void RegisterFileType(const FileTypeRecord& type) = 0;
  virtual void DeregisterFileType(const std::string& name) = 0;

  // Runs the event loop until Quit, passing what happens in it to events.
  virtual void Run(EventSink& events) = 0;
  virtual void Quit() = 0;
  // Lets the event loop serve what is pending; called often, so it must be cheap.
  virtual void ServeEvents() = 0;

  // On: the program may end once its last window has closed.
  virtual void AutoQuit(bool on) = 0;
  virtual void InstallMenuBar(const std::shared_ptr<MenuItem>& bar) = 0;
  // Both wait until the user has dismissed the box; the texts are shown as given, never as markup.
  virtual void ShowMessage(const std::string& text) = 0;
  // details: for the maker, shown on request.
  virtual void ShowWarning(const std::string& text, const std::string& details) = 0;
  // The chosen file's path, or nothing when the user cancelled.
  virtual std::optional<std::string> ChooseFile(const OpenDialogRequest& request) = 0;
  // The user's documents folder as the desktop defines it; the home folder when it has none.
  virtual std::string DocumentsFolderPath() = 0;
};

// The desktop every framework call reaches; set by the program's entry or by a test.
Desktop& CurrentDesktop();

// Makes desktop the current one for the lifetime of this object.
class ScopedDesktop {
 public:
  explicit ScopedDesktop(Desktop& desktop);
  ~ScopedDesktop();
  ScopedDesktop(const ScopedDesktop&) = delete;
  ScopedDesktop& operator=(const ScopedDesktop&) = delete;

 private:
  Desktop* previous_;
};

}  // namespace platform
