// The report layouts, and the query command against a window stand-in.
#include "app/report.h"

#include <gtest/gtest.h>

#include "app/query_command.h"
#include "encoding/codepage.h"
#include "fake_controls.h"
#include "local_service.h"

namespace pelmora {
namespace {

PlayerRecord Found(int likes, ScoreParts parts, RankPair ranks, const char* power) {
  PlayerRecord r;
  r.likes = likes;
  r.scoreParts = parts;
  r.ranks = ranks;
  r.power = power;
  r.outcome = LookupOutcome::kFound;
  return r;
}

TEST(BuildReport, Layouts) {
  const PlayerRecord r = Found(5, {1234, 56, 78}, {3, 4}, "1368");
  EXPECT_EQ(BuildReport("abc", r, ReportLayout::kPowerOnly),
            GbkLiteral("abc的资料信息：\r\n战斗力：1368"));
  EXPECT_EQ(BuildReport("abc", r, ReportLayout::kFull),
            GbkLiteral("abc的资料信息：\r\n5 (赞)\r\n1234+56+78=1368  (基础分+胜率+胜场=战斗力)\r\n"
                       "3/4 (单排/双排)"));
  EXPECT_EQ(BuildReport("", Found(0, {1234, -5, 78}, {0, 0}, "1307"), ReportLayout::kFull),
            GbkLiteral("的资料信息：\r\n0 (赞)\r\n1234+-5+78=1307  (基础分+胜率+胜场=战斗力)\r\n"
                       "0/0 (单排/双排)"));
}

TEST(BuildReport, FailuresSayWhy) {
  PlayerRecord r;
  r.power = "0";
  for (ReportLayout layout : {ReportLayout::kFull, ReportLayout::kPowerOnly}) {
    r.outcome = LookupOutcome::kNoResponse;
    EXPECT_EQ(BuildReport("abc", r, layout),
              GbkLiteral("abc的资料信息：\r\n查询失败：资料服务没有响应"));
    r.outcome = LookupOutcome::kNotFound;
    EXPECT_EQ(BuildReport("abc", r, layout),
              GbkLiteral("abc的资料信息：\r\n查询失败：没有找到该玩家的资料"));
  }
}

class QueryCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    window.texts[Control::编辑框1] = "Quillfen";
    window.texts[Control::标签1] = "before";
    window.items = {"a", "b"};
    window.selected = 0;
  }
  FakeControls window;
};

TEST_F(QueryCommand, EmptyNameShowsTheMessageOnly) {
  window.texts[Control::编辑框1] = "";
  OnQueryClicked(window, kRefusingHost);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0], GbkLiteral("查询的名字不能为空!"));
  EXPECT_EQ(window.texts[Control::标签1], "before");
  EXPECT_EQ(window.pumps, 0) << "no request may be made";
}

TEST_F(QueryCommand, NoResponseReport) {
  window.texts[Control::编辑框1] = "abc";
  OnQueryClicked(window, kRefusingHost);
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(window.texts[Control::标签1],
            GbkLiteral("abc的资料信息：\r\n查询失败：资料服务没有响应"));
}

TEST_F(QueryCommand, ReportsFromTheLocalService) {
  REQUIRE_LOCAL_SERVICE(host);
  const Text full = GbkLiteral(
      "Quillfen的资料信息：\r\n321 (赞)\r\n1234+56+78=1368  (基础分+胜率+胜场=战斗力)\r\n"
      "15/27 (单排/双排)");
  OnQueryClicked(window, host);
  EXPECT_EQ(window.texts[Control::标签1], full);

  window.checked = 1;
  OnQueryClicked(window, host);
  EXPECT_EQ(window.texts[Control::标签1], GbkLiteral("Quillfen的资料信息：\r\n战斗力：1368"));

  window.checked = 0;
  window.selected = 1;  // server 2: Quillfen plays on server 1 only
  OnQueryClicked(window, host);
  EXPECT_EQ(window.texts[Control::标签1],
            GbkLiteral("Quillfen的资料信息：\r\n查询失败：没有找到该玩家的资料"));

  window.selected = -1;  // nothing selected: server index 0, an empty server value
  OnQueryClicked(window, host);
  EXPECT_EQ(window.texts[Control::标签1],
            GbkLiteral("Quillfen的资料信息：\r\n查询失败：没有找到该玩家的资料"));
}

TEST_F(QueryCommand, ControlsChangedDuringTheReadShapeTheReport) {
  REQUIRE_LOCAL_SERVICE(host);
  window.texts[Control::编辑框1] = "~slow";
  window.onPump = [&] {
    window.checked = 1;  // the user ticks the box while the page arrives
    return true;
  };
  OnQueryClicked(window, host);
  EXPECT_EQ(window.texts[Control::标签1], GbkLiteral("~slow的资料信息：\r\n战斗力：1368"));

  window.checked = 1;
  window.onPump = [&] {
    window.checked = 0;                   // unticked: the full layout of a power-only record
    window.texts[Control::编辑框1] = "";  // and a click into the name box cleared it
    return true;
  };
  OnQueryClicked(window, host);
  EXPECT_EQ(window.texts[Control::标签1],
            GbkLiteral("的资料信息：\r\n0 (赞)\r\n1234+56+78=1368  (基础分+胜率+胜场=战斗力)\r\n"
                       "0/0 (单排/双排)"));
}

TEST_F(QueryCommand, NestedQueryFinishesFirstAndTheOuterReportStays) {
  REQUIRE_LOCAL_SERVICE(host);
  window.texts[Control::编辑框1] = "~slow";
  bool nested = false;
  window.onPump = [&] {
    if (!nested) {
      nested = true;
      window.texts[Control::编辑框1] = "Quillfen";
      OnQueryClicked(window, host);  // a second click while the first page is read
      EXPECT_EQ(window.texts[Control::标签1].rfind("Quillfen", 0), 0u);
    }
    return true;
  };
  OnQueryClicked(window, host);
  EXPECT_TRUE(nested);
  // The outer query reads the name box after its lookup: by then it says Quillfen.
  EXPECT_EQ(window.texts[Control::标签1],
            GbkLiteral("Quillfen的资料信息：\r\n321 (赞)\r\n1234+56+78=1368  "
                       "(基础分+胜率+胜场=战斗力)\r\n15/27 (单排/双排)"));
}

TEST_F(QueryCommand, ClosedWindowEndsTheQueryWithoutTouchingControls) {
  REQUIRE_LOCAL_SERVICE(host);
  window.texts[Control::编辑框1] = "~slow";
  window.onPump = [] { return false; };  // the window is gone
  OnQueryClicked(window, host);
  EXPECT_EQ(window.texts[Control::标签1], "before");
}

}  // namespace
}  // namespace pelmora
