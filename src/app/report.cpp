#include "app/report.h"

#include "encoding/codepage.h"

namespace pelmora {
namespace {

struct ReportTexts {
  Text header = GbkLiteral("的资料信息：\r\n");
  Text powerLabel = GbkLiteral("战斗力：");
  Text likes = GbkLiteral(" (赞)\r\n");
  Text parts = GbkLiteral("  (基础分+胜率+胜场=战斗力)\r\n");
  Text ranks = GbkLiteral(" (单排/双排)");
  Text noResponse = GbkLiteral("查询失败：资料服务没有响应");
  Text notFound = GbkLiteral("查询失败：没有找到该玩家的资料");
};

}  // namespace

Text BuildReport(std::string_view name, const PlayerRecord& record, ReportLayout layout) {
  static const ReportTexts kTexts;
  // A failed lookup says why instead of showing a report of zeros.
  switch (record.outcome) {
    case LookupOutcome::kNoResponse:
      return ConcatText({name, kTexts.header, kTexts.noResponse});
    case LookupOutcome::kNotFound:
      return ConcatText({name, kTexts.header, kTexts.notFound});
    case LookupOutcome::kFound:
      break;
  }
  if (layout == ReportLayout::kPowerOnly) {
    return ConcatText({name, kTexts.header, kTexts.powerLabel, record.power});
  }
  const ScoreParts& parts = record.scoreParts;
  return ConcatText({name, kTexts.header, NumberToText(record.likes), kTexts.likes,
                     NumberToText(parts.baseScore), "+", NumberToText(parts.winRateBonus), "+",
                     NumberToText(parts.winsBonus), "=", record.power, kTexts.parts,
                     NumberToText(record.ranks.soloRank), "/", NumberToText(record.ranks.duoRank),
                     kTexts.ranks});
}

}  // namespace pelmora
