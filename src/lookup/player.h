// The player lookup: a server index, a name and the power-only choice in, a PlayerRecord out.
#pragma once

#include "app/text.h"
#include "net/fetch.h"

namespace pelmora {

struct ScoreParts {
  int baseScore = 0;
  int winRateBonus = 0;
  int winsBonus = 0;
};

struct RankPair {
  int soloRank = 0;
  int duoRank = 0;
};

enum class LookupOutcome {
  kFound,       // the page holds the base-score marker
  kNotFound,    // the service answered with a page without it
  kNoResponse,  // no page: unreachable, timed out, or an empty body
};

struct PlayerRecord {
  int likes = 0;  // 0 in power-only mode
  Text power;     // baseScore + winRateBonus + winsBonus as decimal text
  ScoreParts scoreParts;
  RankPair ranks;  // both 0 in power-only mode
  LookupOutcome outcome = LookupOutcome::kNoResponse;
};

// The server value of a 1-based server index; empty outside 1..24.
Text ServerNameForIndex(int serverIndex);

// "Http://" + host + "/playerDetail.php?serverName=" + encoded server value + "&playerName=" +
// encoded name.
Text PlayerPageUrl(std::string_view host, int serverIndex, std::string_view name);

// Power-only mode applies when powerOnly is 1. The pump runs before every read of the page.
PlayerRecord QueryPlayer(int serverIndex, std::string_view name, int powerOnly, const Pump& pump,
                         std::string_view host = PELMORA_PROFILE_HOST);

// The page-to-record step of QueryPlayer: decode the fetched body and read every field.
PlayerRecord ReadPlayerRecord(const FetchResult& fetched, int powerOnly);

}  // namespace pelmora
