// The program's one small window: it holds the menu bar on desktops without a global one,
// takes files dropped onto it, and ends the program when closed.
#pragma once

#include <QMainWindow>
#include <functional>
#include <string>

namespace platform::qt {

class MenuWindow : public QMainWindow {
 public:
  MenuWindow(std::function<void(const std::string& path)> dropped, std::function<void()> closed);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<void(const std::string&)> dropped_;
  std::function<void()> closed_;
};

}  // namespace platform::qt
