// Turning marker text into pattern text that matches it literally.
#pragma once

#include <string_view>
#include <utility>

#include "app/text.h"

namespace pelmora {

using ReplacePair = std::pair<std::string_view, std::string_view>;  // find, replacement

// Applies up to five find/replacement pairs in turn, each on the result of the one before.
Text ReplaceFivePairs(std::string_view text, bool caseSensitive, ReplacePair pair1,
                      ReplacePair pair2 = {}, ReplacePair pair3 = {}, ReplacePair pair4 = {},
                      ReplacePair pair5 = {});

// A backslash before each of ? * + [ ] ( ) { }; nothing else changes.
Text EscapeRegexText(std::string_view text);

}  // namespace pelmora
