// Cutting numbers out of a decoded profile page between fixed markers.
#pragma once

#include "app/text.h"

namespace pelmora {

// The text between the first occurrence of left and the next occurrence of right after it;
// empty when either is missing. ASCII letters match in any case; the token "#引号" in a marker
// stands for a double quote.
Text TextBetween(std::string_view text, std::string_view left, std::string_view right);
int ReadPageNumber(std::string_view page, std::string_view left, std::string_view right);
// The sum of the three score parts as decimal text.
Text PowerText(int baseScore, int winRateBonus, int winsBonus);

}  // namespace pelmora
