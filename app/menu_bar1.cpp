#include "app/menu_bar1.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "platform/runtime_exception.h"

namespace app {
namespace {

// One menu or item, made and attached by BuildRow.
struct Row {
  std::shared_ptr<platform::MenuItem> (*make)();
  std::string_view name;
  std::string_view text;
  // Absent for a separator, which keeps the shortcut its constructor gave it.
  std::optional<std::string_view> keyboardShortcut;
  // The menu the item goes into; empty for a top menu, which goes onto the bar.
  std::string_view menu;
};

template <class Item>
std::shared_ptr<platform::MenuItem> Make() {
  return std::make_shared<Item>();
}

constexpr auto kMenuItem = &Make<platform::MenuItem>;
constexpr auto kQuitMenuItem = &Make<platform::QuitMenuItem>;

constexpr Row kFileRows[] = {
    {kMenuItem, "FileMenu", "&File", "", ""},
    {kQuitMenuItem, "FileQuit", "&Quit", "Cmd+Q", "FileMenu"},
};

constexpr Row kEditRows[] = {
    {kMenuItem, "EditMenu", "&Edit", "", ""},
    {kMenuItem, "EditUndo", "&Undo", "Cmd+Z", "EditMenu"},
    {kMenuItem, "UntitledMenu1", "-", std::nullopt, "EditMenu"},
    {kMenuItem, "EditCut", "Cu&t", "Cmd+X", "EditMenu"},
    {kMenuItem, "EditCopy", "&Copy", "Cmd+C", "EditMenu"},
    {kMenuItem, "EditPaste", "&Paste", "Cmd+V", "EditMenu"},
    {kMenuItem, "EditClear", "&Delete", "", "EditMenu"},
    {kMenuItem, "UntitledMenu0", "-", std::nullopt, "EditMenu"},
    {kMenuItem, "EditSelectAll", "Select &All", "Cmd+A", "EditMenu"},
};

// A menu goes onto the bar before its items are made; each item looks its menu up anew, so
// no reference outlives the row that took it.
void BuildRow(platform::MenuItem& bar, const Row& row) {
  std::shared_ptr<platform::MenuItem> item = row.make();
  platform::NotNil(item).Constructor();
  platform::NotNil(item).Name(std::string(row.name));
  platform::NotNil(item).AutoEnable(true);
  platform::NotNil(item).Text(std::string(row.text));
  if (row.keyboardShortcut) {
    platform::NotNil(item).KeyboardShortcut(std::string(*row.keyboardShortcut));
  }
  if (row.menu.empty()) {
    bar.Append(std::move(item));
    return;
  }
  const std::shared_ptr<platform::MenuItem> menu = bar.Child(row.menu);
  platform::NotNil(menu).Append(std::move(item));
}

void BuildRows(platform::MenuItem& bar, std::span<const Row> rows) {
  for (const Row& row : rows) {
    BuildRow(bar, row);
  }
}

}  // namespace

std::shared_ptr<MenuBar1> MenuBar1::_implicitInstance;

// The bar is kept only once fully built, so a failure leaves no half-built bar behind.
std::shared_ptr<MenuBar1> MenuBar1::Instance() {
  if (!_implicitInstance) {
    auto bar = std::make_shared<MenuBar1>();
    bar->Constructor();
    _implicitInstance = std::move(bar);
  }
  return _implicitInstance;
}

void MenuBar1::_implicitInstance_Exit() {
  _implicitInstance.reset();
}

void MenuBar1::Constructor() {
  Untitled0();
  Untitled1();
}

void MenuBar1::Untitled0() {
  BuildRows(*this, kFileRows);
}

void MenuBar1::Untitled1() {
  BuildRows(*this, kEditRows);
}

}  // namespace app
