// The built-in server list and the filling of the server box from it.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "encoding/codepage.h"
#include "regex/regex_matcher.h"
#include "servers/server_list.h"

namespace pelmora {
namespace {

// Records what the server list does to the window.
class FakeControls : public Controls {
 public:
  std::vector<Text> items;
  int selected = -1;
  int messages = 0;

  Text GetControlText(Control) override { return {}; }
  void SetControlText(Control, std::string_view) override {}
  int GetSelectedIndex(Control) override { return selected; }
  void SetSelectedIndex(Control box, int index) override {
    ASSERT_EQ(box, Control::组合框1);
    selected = items.empty() ? -1 : std::min(index, static_cast<int>(items.size()) - 1);
  }
  void AddItem(Control box, std::string_view text) override {
    ASSERT_EQ(box, Control::组合框1);
    items.emplace_back(text);
  }
  int IsChecked(Control) override { return 0; }
  void ShowMessage(std::string_view) override { ++messages; }
  bool ProcessPendingMessages() override { return true; }
};

std::vector<Text> DisplayNames() {
  std::vector<Text> names;
  for (const char* name :
       {"艾欧尼亚", "祖安",       "诺克萨斯", "班德尔城", "皮尔特沃夫", "战争学院",
        "巨神峰",   "雷瑟守备",   "裁决之地", "黑色玫瑰", "暗影岛",     "钢铁烈阳",
        "均衡教派", "水晶之痕",   "影流",     "守望之海", "征服之海",   "比尔吉沃特",
        "德玛西亚", "弗雷尔卓德", "无畏先锋", "恕瑞玛",   "扭曲丛林",   "教育网专区"}) {
    names.push_back(GbkLiteral(name));
  }
  return names;
}

TEST(ServerOptionList, HoldsTheListByteForByte) {
  const Text& list = ServerOptionList();
  ASSERT_EQ(list.size(), 1205u);
  // FNV-1a over all 1205 bytes pins every byte; the checks below say what is in them.
  std::uint64_t hash = 0xCBF29CE484222325u;
  for (const char c : list) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3u;
  EXPECT_EQ(hash, 0x21C89DCE095ED9CFu) << std::hex << hash;

  EXPECT_EQ(list.substr(0, 8), "\t\t\t\t\t\t\t<");
  EXPECT_EQ(list.substr(22, 6), "\xB5\xE7\xD0\xC5\xD2\xBB") << "电信一 in GBK";
  int lineBreaks = 0;
  for (std::size_t at = list.find("\r\n"); at != Text::npos; at = list.find("\r\n", at + 2)) {
    ++lineBreaks;
    EXPECT_EQ(list.substr(at + 2, 9), "\t\t\t\t\t\t\t\t<");
  }
  EXPECT_EQ(lineBreaks, 23);
  EXPECT_EQ(list.substr(list.size() - 9), "</option>");
}

TEST(LoadServerList, FillsTheBoxAndSelectsTheFirst) {
  FakeControls controls;
  LoadServerList(controls);
  EXPECT_EQ(controls.items, DisplayNames());
  EXPECT_EQ(controls.selected, 0);
  ASSERT_EQ(controls.items.size(), 24u);
  EXPECT_EQ(controls.items[14], GbkLiteral("影流"));
  EXPECT_EQ(controls.messages, 0);
}

TEST(LoadServerList, TakesTheNameAfterTheValue) {
  const Text list =
      "<option value=\"a\">A</option>\r\n"
      "<option value=\"b\"></option>\r\n"       // no name: no item
      "<option value=\"c\">C\">D</option>\r\n"  // the name ends at a second "\">"
      "<option value=\"d</option>\r\n"          // no "\">" at all
      "<option value=\"e\">E</option>";
  FakeControls controls;
  LoadServerList(controls, list, kRegExpProgId);
  EXPECT_EQ(controls.items, (std::vector<Text>{"A", "C", "E"}));
  EXPECT_EQ(controls.selected, 0);

  FakeControls empty;
  LoadServerList(empty, "no options", kRegExpProgId);
  EXPECT_TRUE(empty.items.empty());
  EXPECT_EQ(empty.selected, -1);
}

#ifdef _WIN32
// Where VBScript is switched off the standard library's engine fills the box just the same.
TEST(LoadServerList, FillsTheBoxWithoutTheComponent) {
  FakeControls controls;
  LoadServerList(controls, ServerOptionList(), "Pelmora.NoSuchRegExp");
  EXPECT_EQ(controls.items, DisplayNames());
  EXPECT_EQ(controls.selected, 0);
  EXPECT_EQ(controls.messages, 0);
}
#endif

}  // namespace
}  // namespace pelmora
