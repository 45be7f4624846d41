#include "regex/extract.h"

#include "regex/escape.h"

namespace pelmora {

int ExtractAllBetween(std::string_view source, std::string_view left, std::string_view right,
                      TextList& items) {
  return ExtractAllBetween(source, left, right, items, kRegExpProgId);
}

int ExtractAllBetween(std::string_view source, std::string_view left, std::string_view right,
                      TextList& items, std::string_view progId) {
  RegexMatcher matcher(progId);
  items.clear();
  // "." stops at a line feed, so an item never reaches past the end of its line; "*?" makes it
  // end at the first right marker.
  const Text pattern = ConcatText({EscapeRegexText(left), "(.*?)", EscapeRegexText(right)});
  // A rejected pattern or a missing component leaves no matches: the list stays empty.
  matcher.Run(pattern, source);
  const int n = matcher.MatchCount();
  for (int i = 1; i <= n; ++i) TextListAppend(items, matcher.SubMatchText(i, 1));
  return TextListCount(items);
}

}  // namespace pelmora
