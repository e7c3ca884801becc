#include "platform/menu_item.h"

#include "platform/desktop.h"
#include "platform/runtime_exception.h"

namespace platform {

void MenuItem::Constructor() {
  name_.clear();
  text_.clear();
  keyboardShortcut_.clear();
  autoEnable_ = true;
}

std::shared_ptr<MenuItem> MenuItem::Child(std::string_view name) const {
  for (const auto& child : children_) {
    if (child->Name() == name) {
      return child;
    }
  }
  return nullptr;
}

void MenuItem::Append(std::shared_ptr<MenuItem> child) {
  if (!child) {
    RaiseNilObjectException();
  }
  children_.push_back(std::move(child));
}

bool QuitMenuItem::Event_Action() {
  return QuitMenuAction(*this);
}

bool QuitMenuAction(MenuItem& /*item*/) {
  CurrentDesktop().Quit();
  return true;
}

}  // namespace platform
