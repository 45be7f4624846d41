// The player lookup: server values, the request URL and the page-to-record step.
#include <gtest/gtest.h>

#include "encoding/codepage.h"
#include "local_service.h"
#include "lookup/player.h"

namespace pelmora {
namespace {

TEST(ServerNameForIndex, TableAndOutside) {
  EXPECT_EQ(ServerNameForIndex(1), "\xB5\xE7\xD0\xC5\xD2\xBB");  // 电信一
  EXPECT_EQ(ServerNameForIndex(15), GbkLiteral("电信十五"));
  EXPECT_EQ(ServerNameForIndex(18), GbkLiteral("网通一"));
  EXPECT_EQ(ServerNameForIndex(24), GbkLiteral("教育一"));
  for (int outside : {0, 25, -1}) EXPECT_EQ(ServerNameForIndex(outside), "") << outside;
}

TEST(PlayerPageUrl, EncodesServerAndName) {
  EXPECT_EQ(PlayerPageUrl("srv", 1, "abc"),
            "Http://srv/playerDetail.php?serverName=%E7%94%B5%E4%BF%A1%E4%B8%80&playerName=abc");
  EXPECT_EQ(PlayerPageUrl("h:81", 0, " a b "),
            "Http://h:81/playerDetail.php?serverName=&playerName= a b ");
  EXPECT_EQ(PlayerPageUrl("h", 25, "x&y"),
            "Http://h/playerDetail.php?serverName=&playerName=x%26y");
}

// A profile page in UTF-8 with the fields where the service places them.
std::string ProfilePage(const std::string& likes, const std::string& base, const std::string& rate,
                        const std::string& wins, const std::string& solo, const std::string& duo) {
  return "<html><body><div class='likes'>被赞 " + likes +
         " 次</div>\r\n<div class='power' title='战斗力 其中基础分" + base + " 胜率加成分" + rate +
         " 胜场加成分" + wins + "'>x</div>\r\n<td>5v5单排</td><td><span id=\"rank_" + solo + "\">" +
         "</span></td>\r\n<td>5v5组队</td> \r\n             <td>\r\n             \t"
         "             \t <span id=\"rank_" +
         duo + "\"></span></td></body></html>";
}

FetchResult Answer(const std::string& body) {
  return {true, Bytes(body.begin(), body.end())};
}

TEST(ReadPlayerRecord, FullAndPowerOnly) {
  const FetchResult page = Answer(ProfilePage("321", " 1234", " 56", " 78", "15", "27"));
  const PlayerRecord full = ReadPlayerRecord(page, 0);
  EXPECT_EQ(full.outcome, LookupOutcome::kFound);
  EXPECT_EQ(full.likes, 321);
  EXPECT_EQ(full.scoreParts.baseScore, 1234);
  EXPECT_EQ(full.scoreParts.winRateBonus, 56);
  EXPECT_EQ(full.scoreParts.winsBonus, 78);
  EXPECT_EQ(full.power, "1368");
  EXPECT_EQ(full.ranks.soloRank, 15);
  EXPECT_EQ(full.ranks.duoRank, 27);

  const PlayerRecord powerOnly = ReadPlayerRecord(page, 1);
  EXPECT_EQ(powerOnly.outcome, LookupOutcome::kFound);
  EXPECT_EQ(powerOnly.power, "1368");
  EXPECT_EQ(powerOnly.likes, 0);
  EXPECT_EQ(powerOnly.ranks.soloRank, 0);
  EXPECT_EQ(powerOnly.ranks.duoRank, 0);

  EXPECT_EQ(ReadPlayerRecord(page, 2).likes, 321) << "only 1 means power-only";
}

TEST(ReadPlayerRecord, FieldTexts) {
  const PlayerRecord r = ReadPlayerRecord(
      Answer(ProfilePage("%31%32", "12abc", " abc", "-3", "\xEF\xBC\x97", "9")), 0);
  EXPECT_EQ(r.likes, 12);                   // percent escapes are decoded first
  EXPECT_EQ(r.scoreParts.baseScore, 12);    // '12abc'
  EXPECT_EQ(r.scoreParts.winRateBonus, 0);  // ' abc'
  EXPECT_EQ(r.scoreParts.winsBonus, -3);
  EXPECT_EQ(r.power, "9");
  EXPECT_EQ(r.ranks.soloRank, 7);  // a full-width digit
  EXPECT_EQ(r.ranks.duoRank, 9);
}

TEST(ReadPlayerRecord, DuoMarkerIsExact) {
  std::string page = ProfilePage("1", "1", "1", "1", "2", "3");
  const std::string exact = "\t             \t <span";
  page.replace(page.find(exact), exact.size(), "\t            \t <span");  // one space fewer
  EXPECT_EQ(ReadPlayerRecord(Answer(page), 0).ranks.duoRank, 0);
  EXPECT_EQ(ReadPlayerRecord(Answer(page), 0).ranks.soloRank, 2);
}

TEST(ReadPlayerRecord, FirstBaseScoreWins) {
  const std::string page = "其中基础分 5 胜率加成分 其中基础分 6 胜率加成分";
  EXPECT_EQ(ReadPlayerRecord(Answer(page), 1).scoreParts.baseScore, 5);
}

TEST(ReadPlayerRecord, Outcomes) {
  struct Case {
    const char* label;
    FetchResult fetched;
    LookupOutcome want;
  } cases[] = {
      {"no answer", {false, {}}, LookupOutcome::kNoResponse},
      {"empty body", {true, {}}, LookupOutcome::kNoResponse},
      {"page without markers", Answer("<html>没有找到</html>"), LookupOutcome::kNotFound},
      {"page cut at a zero byte", Answer(std::string(1, '\0') + "其中基础分 1"),
       LookupOutcome::kNotFound},
      {"base score marker alone", Answer("其中基础分 1"), LookupOutcome::kFound},
  };
  for (const auto& c : cases) {
    const PlayerRecord r = ReadPlayerRecord(c.fetched, 0);
    EXPECT_EQ(r.outcome, c.want) << c.label;
    if (c.want != LookupOutcome::kFound) {
      EXPECT_EQ(r.power, "0") << c.label;
      EXPECT_EQ(r.likes, 0) << c.label;
      EXPECT_EQ(r.scoreParts.baseScore, 0) << c.label;
    }
  }
}

TEST(QueryPlayer, AgainstTheLocalService) {
  REQUIRE_LOCAL_SERVICE(host);
  int pumps = 0;
  const Pump pump = [&] { return ++pumps > 0; };
  const PlayerRecord quillfen = QueryPlayer(1, "Quillfen", 0, pump, host);
  EXPECT_EQ(quillfen.outcome, LookupOutcome::kFound);
  EXPECT_EQ(quillfen.power, "1368");
  EXPECT_EQ(quillfen.likes, 321);
  EXPECT_EQ(quillfen.ranks.soloRank, 15);
  EXPECT_EQ(quillfen.ranks.duoRank, 27);
  EXPECT_GT(pumps, 0);

  EXPECT_EQ(QueryPlayer(2, "Quillfen", 0, pump, host).outcome, LookupOutcome::kNotFound);
  EXPECT_EQ(QueryPlayer(1, "Nobody Here", 0, pump, host).outcome, LookupOutcome::kNotFound);
  EXPECT_EQ(QueryPlayer(0, "Quillfen", 0, pump, host).outcome, LookupOutcome::kNotFound);
  EXPECT_EQ(QueryPlayer(1, "~empty", 0, pump, host).outcome, LookupOutcome::kNoResponse);
  EXPECT_EQ(QueryPlayer(1, "~404", 0, pump, host).outcome, LookupOutcome::kNotFound);
  EXPECT_EQ(QueryPlayer(1, "~redirect", 0, pump, host).power, "1368");
  EXPECT_EQ(QueryPlayer(1, "~chunked", 0, pump, host).power, "1368");
  EXPECT_EQ(QueryPlayer(1, "Quillfen", 0, pump, kRefusingHost).outcome, LookupOutcome::kNoResponse);
}

}  // namespace
}  // namespace pelmora
