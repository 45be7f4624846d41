// Listing every text that stands between two markers.
#pragma once

#include <string_view>

#include "app/text.h"
#include "regex/regex_matcher.h"

namespace pelmora {

// Empties items, then appends, in order, the text between each left marker and the first right
// marker after it on the same line; the scan resumes after that right marker. Letters in the
// markers match in either case and the markers are matched literally. Returns the item count.
int ExtractAllBetween(std::string_view source, std::string_view left, std::string_view right,
                      TextList& items);

// The same with the regular-expression component named by progId (tests reach the standard
// library's engine this way).
int ExtractAllBetween(std::string_view source, std::string_view left, std::string_view right,
                      TextList& items, std::string_view progId);

}  // namespace pelmora
