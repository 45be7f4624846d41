// pelmora-cli: arguments, output forms and exit status.
#include "cli/cli.h"

#include <gtest/gtest.h>

#include "local_service.h"

namespace pelmora {
namespace {

struct CliRun {
  int status;
  CliOutput output;
};

CliRun Cli(std::vector<std::string> args) {
  CliRun run{};
  run.status = RunCli(args, run.output);
  return run;
}

TEST(Cli, UsageErrors) {
  const std::vector<std::string> cases[] = {
      {},
      {"1"},
      {"1", "a", "b"},
      {"--bogus", "1", "a"},
      {"--host"},
      {"--host", "", "1", "a"},
      {"--host", "h/x", "1", "a"},
      {"0", "a"},
      {"25", "a"},
      {"-1", "a"},
      {"nowhere", "a"},
      {"1", ""},
      {"1", "\xF0\x9F\x98\x80"},  // an emoji: GBK cannot hold it
      {"1", "\xFF"},              // not UTF-8
      {"--list-servers", "1"},
  };
  for (const auto& args : cases) {
    const CliRun run = Cli(args);
    EXPECT_EQ(run.status, 2) << testing::PrintToString(args);
    EXPECT_TRUE(run.output.out.empty());
    EXPECT_NE(run.output.err.find("usage:"), std::string::npos);
  }
  EXPECT_NE(Cli({"1", ""}).output.err.find("查询的名字不能为空!"), std::string::npos);
}

TEST(Cli, HelpAndServerList) {
  const CliRun help = Cli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.output.out.rfind("usage:", 0), 0u);

  const CliRun list = Cli({"--list-servers"});
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.output.out.rfind("艾欧尼亚\n祖安\n", 0), 0u);
  EXPECT_NE(list.output.out.find("\n影流\n"), std::string::npos);
  EXPECT_EQ(std::count(list.output.out.begin(), list.output.out.end(), '\n'), 24);
  EXPECT_EQ(list.output.out.substr(list.output.out.size() - 16), "教育网专区\n");
}

TEST(Cli, LookupReportsAndExitStatus) {
  REQUIRE_LOCAL_SERVICE(host);
  const std::string report =
      "Quillfen的资料信息：\n321 (赞)\n1234+56+78=1368  (基础分+胜率+胜场=战斗力)\n"
      "15/27 (单排/双排)\n";
  for (const char* server : {"1", "艾欧尼亚", "电信一"}) {
    const CliRun run = Cli({"--host", host, server, "Quillfen"});
    EXPECT_EQ(run.status, 0) << server << run.output.err;
    EXPECT_EQ(run.output.out, report) << server;
  }

  const CliRun powerOnly = Cli({"--power-only", "--host=" + host, "1", "Quillfen"});
  EXPECT_EQ(powerOnly.status, 0);
  EXPECT_EQ(powerOnly.output.out, "Quillfen的资料信息：\n战斗力：1368\n");

  const CliRun unknown = Cli({"--host", host, "2", "Quillfen"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.output.out, "Quillfen的资料信息：\n查询失败：没有找到该玩家的资料\n");

  const CliRun down = Cli({"--host", kRefusingHost, "1", "Quillfen"});
  EXPECT_EQ(down.status, 1);
  EXPECT_EQ(down.output.out, "Quillfen的资料信息：\n查询失败：资料服务没有响应\n");
}

TEST(Cli, Json) {
  REQUIRE_LOCAL_SERVICE(host);
  const CliRun run = Cli({"--json", "--host", host, "1", "Quillfen"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output.out,
            "{\"name\":\"Quillfen\",\"server\":\"电信一\",\"serverIndex\":1,\"outcome\":\"found\","
            "\"likes\":321,\"power\":1368,\"baseScore\":1234,\"winRateBonus\":56,"
            "\"winsBonus\":78,\"soloRank\":15,\"duoRank\":27}\n");

  const CliRun odd = Cli({"--json", "--host", kRefusingHost, "24", "a\"b\\c"});
  EXPECT_EQ(odd.status, 1);
  EXPECT_EQ(odd.output.out,
            "{\"name\":\"a\\\"b\\\\c\",\"server\":\"教育一\",\"serverIndex\":24,"
            "\"outcome\":\"no-response\",\"likes\":0,\"power\":0,\"baseScore\":0,"
            "\"winRateBonus\":0,\"winsBonus\":0,\"soloRank\":0,\"duoRank\":0}\n");
}

}  // namespace
}  // namespace pelmora
