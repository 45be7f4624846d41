#include "regex/escape.h"

namespace pelmora {

Text ReplaceFivePairs(std::string_view text, bool caseSensitive, ReplacePair pair1,
                      ReplacePair pair2, ReplacePair pair3, ReplacePair pair4, ReplacePair pair5) {
  // Every pair runs on the result of the one before, so a later pair also sees what an earlier
  // one inserted. An unused pair has an empty find text, which leaves the text as it is.
  Text result(text);
  for (const ReplacePair& pair : {pair1, pair2, pair3, pair4, pair5}) {
    result = ReplaceSubtext(result, pair.first, pair.second, 1, caseSensitive);
  }
  return result;
}

Text EscapeRegexText(std::string_view text) {
  // None of the replacements searches for a backslash, so each mark gets exactly one backslash
  // whatever the order. ReplaceSubtext steps over two-byte characters, so a GBK trail byte that
  // happens to equal "[" or "{" is left alone.
  Text r = ReplaceFivePairs(text, false, {"?", "\\?"}, {"*", "\\*"}, {"+", "\\+"}, {"[", "\\["},
                            {"]", "\\]"});
  return ReplaceFivePairs(r, false, {"(", "\\("}, {")", "\\)"}, {"{", "\\{"}, {"}", "\\}"});
}

}  // namespace pelmora
