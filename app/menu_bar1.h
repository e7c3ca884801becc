// The program's menu bar: File with Quit, then Edit. There is one bar, made on first use.
#pragma once

#include <memory>

#include "platform/menu_item.h"

namespace app {

class MenuBar1 final : public platform::MenuBar {
 public:
  // The single bar; the first call makes it and builds its menus, later calls build nothing.
  static std::shared_ptr<MenuBar1> Instance();
  // Shut-down's release: drops the module's reference; does nothing when there is none.
  static void _implicitInstance_Exit();

  // Builds the menus; the bar itself keeps the state it was made with.
  void Constructor() override;
  // The File menu.
  void Untitled0();
  // The Edit menu.
  void Untitled1();

 private:
  static std::shared_ptr<MenuBar1> _implicitInstance;
};

}  // namespace app
