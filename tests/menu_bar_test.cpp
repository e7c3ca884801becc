#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "app/menu_bar1.h"
#include "tests/support/recording_desktop.h"

namespace {

using app::MenuBar1;
using platform::MenuItem;
using ::testing::ElementsAre;

struct Node {
  std::string name;
  std::string text;
  std::string keyboardShortcut;
  bool quitItem = false;
  bool operator==(const Node&) const = default;
};

// A separator's shortcut is never assigned, so it keeps what the constructor gave it.
std::string ConstructorShortcut() {
  MenuItem item;
  item.Constructor();
  return item.KeyboardShortcut();
}

// Every node is a plain MenuItem or the Quit item, and enabled automatically.
std::vector<Node> Children(const MenuItem& parent) {
  std::vector<Node> nodes;
  for (const auto& child : parent.Children()) {
    const MenuItem& node = *child;
    const std::type_info& type = typeid(node);
    EXPECT_TRUE(type == typeid(MenuItem) || type == typeid(platform::QuitMenuItem));
    EXPECT_TRUE(child->AutoEnable()) << child->Name();
    nodes.push_back({child->Name(), child->Text(), child->KeyboardShortcut(),
                     type == typeid(platform::QuitMenuItem)});
  }
  return nodes;
}

class MenuBarTest : public ::testing::Test {
 protected:
  void TearDown() override { MenuBar1::_implicitInstance_Exit(); }

  testing_support::RecordingDesktop desktop;
  platform::ScopedDesktop scoped{desktop};
};

TEST_F(MenuBarTest, TheBarHoldsFileWithQuitThenEditWithItsEightItems) {
  const auto bar = MenuBar1::Instance();
  EXPECT_THAT(Children(*bar),
              ElementsAre(Node{"FileMenu", "&File", ""}, Node{"EditMenu", "&Edit", ""}));
  EXPECT_THAT(Children(*bar->Child("FileMenu")),
              ElementsAre(Node{"FileQuit", "&Quit", "Cmd+Q", true}));
  const std::string none = ConstructorShortcut();
  EXPECT_THAT(
      Children(*bar->Child("EditMenu")),
      ElementsAre(Node{"EditUndo", "&Undo", "Cmd+Z"}, Node{"UntitledMenu1", "-", none},
                  Node{"EditCut", "Cu&t", "Cmd+X"}, Node{"EditCopy", "&Copy", "Cmd+C"},
                  Node{"EditPaste", "&Paste", "Cmd+V"}, Node{"EditClear", "&Delete", ""},
                  Node{"UntitledMenu0", "-", none}, Node{"EditSelectAll", "Select &All", "Cmd+A"}));
  EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(MenuBarTest, LaterCallsGiveTheSameBarAndBuildNothing) {
  const auto first = MenuBar1::Instance();
  EXPECT_EQ(MenuBar1::Instance(), first);
  EXPECT_EQ(first->Children().size(), 2u);
  EXPECT_EQ(first->Child("FileMenu")->Children().size(), 1u);
  EXPECT_EQ(first->Child("EditMenu")->Children().size(), 8u);
}

TEST_F(MenuBarTest, TheReleaseDropsTheBarAndCanRunTwice) {
  std::weak_ptr<MenuBar1> released = MenuBar1::Instance();
  MenuBar1::_implicitInstance_Exit();
  EXPECT_TRUE(released.expired());
  MenuBar1::_implicitInstance_Exit();
  EXPECT_EQ(MenuBar1::Instance()->Children().size(), 2u);
}

TEST_F(MenuBarTest, ChoosingQuitAsksTheDesktopToQuitAndOtherItemsDoNothing) {
  const auto bar = MenuBar1::Instance();
  EXPECT_FALSE(bar->Child("EditMenu")->Child("EditCut")->Event_Action());
  EXPECT_TRUE(desktop.calls.empty());
  EXPECT_TRUE(bar->Child("FileMenu")->Child("FileQuit")->Event_Action());
  EXPECT_THAT(desktop.calls, ElementsAre("quit"));
}

}  // namespace
