// The framework's menu model: a plain tree that the desktop turns into real menus.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class MenuItem {
 public:
  MenuItem() = default;
  virtual ~MenuItem() = default;
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  // The framework's default item: no caption, no shortcut, enabled automatically.
  virtual void Constructor();

  const std::string& Name() const noexcept { return name_; }
  void Name(std::string name) { name_ = std::move(name); }
  // The caption: "&" marks the mnemonic letter, "-" alone makes a separator.
  const std::string& Text() const noexcept { return text_; }
  void Text(std::string text) { text_ = std::move(text); }
  // "Cmd+" and a key, such as "Cmd+Q"; the empty text means none.
  const std::string& KeyboardShortcut() const noexcept { return keyboardShortcut_; }
  void KeyboardShortcut(std::string shortcut) { keyboardShortcut_ = std::move(shortcut); }
  bool AutoEnable() const noexcept { return autoEnable_; }
  void AutoEnable(bool on) noexcept { autoEnable_ = on; }

  bool IsSeparator() const noexcept { return text_ == "-"; }

  // The direct child whose Name is name, or nil.
  std::shared_ptr<MenuItem> Child(std::string_view name) const;
  // Places child after the existing children.
  void Append(std::shared_ptr<MenuItem> child);
  const std::vector<std::shared_ptr<MenuItem>>& Children() const noexcept { return children_; }

  // Runs when the user chooses the item; true when the item handled it.
  virtual bool Event_Action() { return false; }

 private:
  std::string name_;
  std::string text_;
  std::string keyboardShortcut_;
  bool autoEnable_ = false;
  std::vector<std::shared_ptr<MenuItem>> children_;
};

// The framework's Quit item: choosing it asks the framework to quit.
class QuitMenuItem : public MenuItem {
 public:
  bool Event_Action() override;
};

// The framework's menu bar: the root of the tree, its children the top menus.
class MenuBar : public MenuItem {};

// Asks the desktop to end the event loop; true, the request always being accepted.
bool QuitMenuAction(MenuItem& item);

}  // namespace platform
