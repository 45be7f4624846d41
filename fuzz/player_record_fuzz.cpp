// The page-to-record step of the lookup on arbitrary bodies: every field is what the cutting
// rules give for its markers, the power is the sum of the parts, power-only mode reads neither
// likes nor ranks, and the outcome says what the body held.
//
// Input: a mode byte, then the body (zero bytes included). Mode bit 0: power-only (powerOnly 1);
// bit 1: full mode through a powerOnly other than 0 and 1; bit 2: the fetch answered even when
// the body is empty.
#include "encoding/codepage.h"
#include "encoding/page_decode.h"
#include "fuzz_support.h"
#include "lookup/player.h"

using namespace pelmora;

namespace {

struct FieldMarkers {
  Text left, right;
};

// The page's markers, written out here again from the page layout rather than shared with the
// lookup, so a wrong marker there shows up as a difference.
struct Markers {
  FieldMarkers likes{GbkLiteral("被赞 "), GbkLiteral(" 次</div>")};
  FieldMarkers base{GbkLiteral("其中基础分"), GbkLiteral(" 胜率加成分")};
  FieldMarkers winRate{GbkLiteral(" 胜率加成分"), GbkLiteral(" 胜场加成分")};
  FieldMarkers wins{GbkLiteral("胜场加成分"), "'>"};
  FieldMarkers solo{"<span id=\"rank_", "\">"};
  FieldMarkers duo{GbkLiteral("<td>5v5组队</td>") + " \r\n" + Text(13, ' ') + "<td>\r\n" +
                       Text(13, ' ') + "\t" + Text(13, ' ') + "\t <span id=\"rank_",
                   "\">"};
  Text quoteToken = GbkLiteral("#引号");
};

int RefField(std::string_view page, const FieldMarkers& m, const Markers& all) {
  return fuzz::RefTextToInt(fuzz::RefTextBetween(page, m.left, m.right, all.quoteToken));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const Markers kMarkers;
  const std::uint8_t mode = data[0];
  const int powerOnly = mode & 1 ? 1 : (mode & 2 ? 2 : 0);
  FetchResult fetched;
  fetched.body.assign(data + 1, data + size);
  fetched.answered = !fetched.body.empty() || (mode & 4);

  const PlayerRecord record = ReadPlayerRecord(fetched, powerOnly);
  const Text page = PercentDecode(BytesToText(fetched.body));

  const ScoreParts& parts = record.scoreParts;
  fuzz::Check(parts.baseScore == RefField(page, kMarkers.base, kMarkers), "baseScore");
  fuzz::Check(parts.winRateBonus == RefField(page, kMarkers.winRate, kMarkers), "winRateBonus");
  fuzz::Check(parts.winsBonus == RefField(page, kMarkers.wins, kMarkers), "winsBonus");
  const long long sum =
      static_cast<long long>(parts.baseScore) + parts.winRateBonus + parts.winsBonus;
  fuzz::Check(record.power == std::to_string(sum), "power is the sum of the parts", record.power,
              std::to_string(sum));

  if (powerOnly == 1) {
    fuzz::Check(record.likes == 0 && record.ranks.soloRank == 0 && record.ranks.duoRank == 0,
                "power-only mode read likes or ranks");
  } else {
    fuzz::Check(record.likes == RefField(page, kMarkers.likes, kMarkers), "likes");
    fuzz::Check(record.ranks.soloRank == RefField(page, kMarkers.solo, kMarkers), "soloRank");
    fuzz::Check(record.ranks.duoRank == RefField(page, kMarkers.duo, kMarkers), "duoRank");
  }

  // No body is no response; a body whose page holds the base-score left marker (found as the
  // field search finds it) is a profile; any other body is a page without one.
  LookupOutcome want = LookupOutcome::kNoResponse;
  if (!fetched.body.empty())
    want = fuzz::RefFindText(page, kMarkers.base.left, 1, true) != -1 ? LookupOutcome::kFound
                                                                      : LookupOutcome::kNotFound;
  fuzz::Check(record.outcome == want, "outcome");
  // Without its left marker there is no base score.
  if (record.outcome != LookupOutcome::kFound)
    fuzz::Check(parts.baseScore == 0, "base score without its marker");
  return 0;
}
