#include "lookup/player.h"

#include <array>

#include "encoding/codepage.h"
#include "encoding/page_decode.h"
#include "encoding/url_encode.h"
#include "lookup/page_fields.h"

namespace pelmora {
namespace {

struct Markers {
  Text left;
  Text right;
};

// The markers around each field of a profile page, as the page places them.
struct PageMarkers {
  Markers likes{GbkLiteral("被赞 "), GbkLiteral(" 次</div>")};
  Markers baseScore{GbkLiteral("其中基础分"), GbkLiteral(" 胜率加成分")};
  Markers winRateBonus{GbkLiteral(" 胜率加成分"), GbkLiteral(" 胜场加成分")};
  Markers winsBonus{GbkLiteral("胜场加成分"), "'>"};
  Markers soloRank{"<span id=\"rank_", "\">"};
  Markers duoRank{GbkLiteral("<td>5v5组队</td> \r\n             <td>\r\n             \t"
                             "             \t <span id=\"rank_"),
                  "\">"};
};

const PageMarkers& Fields() {
  static const PageMarkers kMarkers;
  return kMarkers;
}

int Read(std::string_view page, const Markers& markers) {
  return ReadPageNumber(page, markers.left, markers.right);
}

}  // namespace

Text ServerNameForIndex(int serverIndex) {
  static const std::array<Text, 24> kServers = {
      GbkLiteral("电信一"),   GbkLiteral("电信二"),   GbkLiteral("电信三"),
      GbkLiteral("电信四"),   GbkLiteral("电信五"),   GbkLiteral("电信六"),
      GbkLiteral("电信七"),   GbkLiteral("电信八"),   GbkLiteral("电信九"),
      GbkLiteral("电信十"),   GbkLiteral("电信十一"), GbkLiteral("电信十二"),
      GbkLiteral("电信十三"), GbkLiteral("电信十四"), GbkLiteral("电信十五"),
      GbkLiteral("电信十六"), GbkLiteral("电信十七"), GbkLiteral("网通一"),
      GbkLiteral("网通二"),   GbkLiteral("网通三"),   GbkLiteral("网通四"),
      GbkLiteral("网通五"),   GbkLiteral("网通六"),   GbkLiteral("教育一"),
  };
  if (serverIndex < 1 || serverIndex > static_cast<int>(kServers.size())) return Text();
  return kServers[static_cast<std::size_t>(serverIndex) - 1];
}

Text PlayerPageUrl(std::string_view host, int serverIndex, std::string_view name) {
  return ConcatText({"Http://", host, "/playerDetail.php?serverName=",
                     UrlEncode(ServerNameForIndex(serverIndex)), "&playerName=", UrlEncode(name)});
}

PlayerRecord ReadPlayerRecord(const FetchResult& fetched, int powerOnly) {
  const Text page = PercentDecode(BytesToText(fetched.body));
  const PageMarkers& fields = Fields();
  PlayerRecord record;
  if (powerOnly != 1) record.likes = Read(page, fields.likes);
  record.scoreParts.baseScore = Read(page, fields.baseScore);
  record.scoreParts.winRateBonus = Read(page, fields.winRateBonus);
  record.scoreParts.winsBonus = Read(page, fields.winsBonus);
  if (powerOnly != 1) {
    record.ranks.soloRank = Read(page, fields.soloRank);
    record.ranks.duoRank = Read(page, fields.duoRank);
  }
  const ScoreParts& parts = record.scoreParts;
  record.power = PowerText(parts.baseScore, parts.winRateBonus, parts.winsBonus);

  if (fetched.body.empty()) {
    record.outcome = LookupOutcome::kNoResponse;
  } else if (FindText(page, fields.baseScore.left, 1, true) == -1) {
    record.outcome = LookupOutcome::kNotFound;
  } else {
    record.outcome = LookupOutcome::kFound;
  }
  return record;
}

PlayerRecord QueryPlayer(int serverIndex, std::string_view name, int powerOnly, const Pump& pump,
                         std::string_view host) {
  return ReadPlayerRecord(FetchUrl(PlayerPageUrl(host, serverIndex, name), pump), powerOnly);
}

}  // namespace pelmora
