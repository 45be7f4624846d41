// The report the window's label and pelmora-cli show for one lookup.
#pragma once

#include "app/text.h"
#include "lookup/player.h"

namespace pelmora {

enum class ReportLayout { kFull, kPowerOnly };

// name + "的资料信息：\r\n" + the power line (power-only) or the four-line breakdown (full); for a
// failed lookup, the reason in place of the numbers.
Text BuildReport(std::string_view name, const PlayerRecord& record, ReportLayout layout);

}  // namespace pelmora
